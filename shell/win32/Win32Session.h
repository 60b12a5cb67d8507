#pragma once

#include <memory>
#include <string>

#include "shell/EngineSession.h"
#include "shell/desktop/SettingsStore.h"
#include "shell/win32/CMainDlg.h"
#include "shell/win32/UiDispatcher.h"
#include "shell/win32/Win32UserPrompt.h"

namespace brenmark::win32 {

class FileChooser;

// Everything the Windows desktop program runs on, built in dependency order:
// the dispatcher to the user-interface thread, the prompt, the engine (drive
// registry with the real and the virtual recorders, leases, job runner, the
// shared job inputs) and the main window. Made on the user-interface thread.
class Win32Session {
 public:
  struct Options {
    std::string virtualDiscFolder;  // UTF-8; where the virtual recorders keep their discs
    bool realDrives = true;         // also list the machine's own recorders
    // What is remembered between runs; nothing outlives the run without it.
    desktop::SettingsStore* settings = nullptr;
  };

  Win32Session(FileChooser& files, const Options& options);
  // Jobs still running end without the user: no box is shown and every
  // question is answered No.
  ~Win32Session();
  Win32Session(const Win32Session&) = delete;
  Win32Session& operator=(const Win32Session&) = delete;

  // Shows the main window until the user leaves (after the jobs have ended).
  void Run();

  CMainDlg& window() { return *window_; }
  EngineSession& engine() { return engine_; }
  DriveRegistry& registry() { return engine_.registry(); }
  VirtualTrays& trays() { return engine_.trays(); }
  JobState& jobState() { return engine_.jobState(); }
  Win32UserPrompt& prompt() { return prompt_; }
  FileChooser& files() { return files_; }
  DriveLeases& leases() { return engine_.leases(); }

 private:
  UiDispatcher ui_;
  Win32UserPrompt prompt_;
  EngineSession engine_;
  FileChooser& files_;
  desktop::RunSettings runSettings_;
  std::unique_ptr<CMainDlg> window_;
};

}  // namespace brenmark::win32
