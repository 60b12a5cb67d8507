#pragma once

#include <QString>

#include <memory>

#include "drive/DriveRegistry.h"
#include "drive/Sleeper.h"
#include "jobs/DriveLeases.h"
#include "jobs/Job.h"
#include "jobs/JobState.h"
#include "shell/qt/QtUserPrompt.h"
#include "shell/VirtualTrays.h"

namespace brenmark::gui {

class CMainDlg;
class FileBrowser;
class MessagePresenter;

// Everything the desktop application runs on, built in dependency order: the
// prompt, the drive registry with the real and the virtual recorders, the job
// runner, the shared job inputs and the main window.
class DesktopSession {
 public:
  struct Options {
    QString virtualDiscFolder;  // where the virtual recorders keep their discs
    bool realDrives = true;     // also list the machine's own recorders
  };

  DesktopSession(MessagePresenter& presenter, FileBrowser& files, const Options& options);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // Shows the main window and runs the application until the user leaves;
  // then finishes the jobs still running, saying so, and returns when they
  // have ended. Destroying the session without that lets them end without
  // the user: no box is shown and every question is answered No.
  int Run();

  CMainDlg& window() { return *window_; }
  DriveRegistry& registry() { return registry_; }
  DriveLeases& leases() { return leases_; }
  VirtualTrays& trays() { return trays_; }
  FileBrowser& files() { return files_; }
  UserPrompt& prompt() { return prompt_; }
  JobState& jobState() { return jobState_; }

 private:
  FileBrowser& files_;
  QtUserPrompt prompt_;
  SystemSleeper sleeper_;
  VirtualTrays trays_;
  DriveRegistry registry_;
  DriveLeases leases_;
  JobRunner jobs_;
  JobState jobState_;
  std::unique_ptr<CMainDlg> window_;
};

}  // namespace brenmark::gui
