#pragma once

#include <QString>

#include <memory>

#include "shell/EngineSession.h"
#include "shell/desktop/SettingsStore.h"
#include "shell/qt/QtUserPrompt.h"

namespace brenmark::gui {

class CMainDlg;
class FileBrowser;
class MessagePresenter;

// Everything the desktop application runs on, built in dependency order: the
// prompt, the engine (drive registry with the real and the virtual recorders,
// leases, job runner, the shared job inputs) and the main window.
class DesktopSession {
 public:
  struct Options {
    QString virtualDiscFolder;  // where the virtual recorders keep their discs
    bool realDrives = true;     // also list the machine's own recorders
    // What is remembered between runs; nothing outlives the run without it.
    desktop::SettingsStore* settings = nullptr;
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
  EngineSession& engine() { return engine_; }
  DriveRegistry& registry() { return engine_.registry(); }
  DriveLeases& leases() { return engine_.leases(); }
  VirtualTrays& trays() { return engine_.trays(); }
  FileBrowser& files() { return files_; }
  UserPrompt& prompt() { return prompt_; }
  JobState& jobState() { return engine_.jobState(); }

 private:
  FileBrowser& files_;
  desktop::RunSettings runSettings_;
  QtUserPrompt prompt_;
  EngineSession engine_;
  std::unique_ptr<CMainDlg> window_;
};

}  // namespace brenmark::gui
