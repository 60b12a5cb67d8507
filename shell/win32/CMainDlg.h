#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/desktop/MainWindowLogic.h"
#include "shell/desktop/MainWindowView.h"
#include "shell/win32/JobWindows.h"

namespace brenmark {
class EngineSession;
}

namespace brenmark::win32 {

class FileChooser;
class UiDispatcher;
class Win32UserPrompt;

// What the main window works with; all of it outlives the window.
struct MainDlgServices {
  EngineSession& engine;
  Win32UserPrompt& prompt;
  UiDispatcher& ui;
  FileChooser& files;
  desktop::SettingsStore& settings;
};

// The main window: draws what the shared main-window logic decides and
// forwards the user's commands to it. Jobs run on their own threads, each
// with its own progress window, so the window stays usable while they run;
// folder scans and reports run on threads of their own too, their results
// handed back to this thread.
class CMainDlg final : private desktop::MainWindowView {
 public:
  explicit CMainDlg(MainDlgServices services);
  ~CMainDlg() override;
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Shows the window modally until the user leaves.
  void RunModal();
  // Makes the window without waiting for it (tests drive it by messages).
  HWND Create();
  HWND hwnd() const { return window_; }

  // The progress windows of the jobs started so far, oldest first.
  std::vector<HWND> progressWindows() const { return jobWindows_.windows(); }
  JobWindows& jobWindows() { return jobWindows_; }
  desktop::JobBoard& jobBoard() { return logic_.board(); }
  int RunningJobs() const { return logic_.RunningJobs(); }
  bool IsScanning() const { return logic_.IsScanning(); }
  bool IsReportRunning() const { return logic_.IsReportRunning(); }
  // Serves the user-interface thread's messages until every job, scan and
  // report has ended.
  void WaitForJobs() { logic_.WaitForJobs(); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void OnCommand(int id, int code);
  void Leave();
  void ShowJobsMenu();
  void ShowBusyCursor();

  // The view the logic draws on.
  void ShowDrives(const std::vector<std::string>& names, int selected) override;
  std::string FolderText() const override;
  void SetFolderText(const std::string& text) override;
  std::string OutputText() const override;
  void SetOutputText(const std::string& text) override;
  void Enable(desktop::MainControl control, bool enabled) override;
  void ExplainDisabled(desktop::MainControl control, const std::string& reason) override;
  void Show(desktop::MainControl control, bool shown) override;
  void ShowBusy(bool busy) override;
  std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override;
  bool ChooseFiles(desktop::JobKind kind, std::vector<std::string>& files, std::string& dialogFolder) override;
  bool ChooseAudioFiles(std::vector<std::string>& files, std::string& dialogFolder, DiscAtOnce& discAtOnce) override;
  std::optional<std::string> ChooseImageToBurn() override;
  std::optional<desktop::SpeedChoice> ChooseSpeed(const std::vector<std::string>& speeds, bool dataDisc,
                                                  const std::string& burning, int selected) override;
  std::optional<desktop::TrackChoice> ChooseTracks(const std::vector<std::string>& lines,
                                                   const audio::GrabSettings& settings) override;
  void OpenTray(virtualdrive::VirtualRecorder& recorder, const std::string& driveName) override;
  void OpenDocument(const std::filesystem::path& document) override;
  bool ConfirmLeaving(const std::string& question) override;

  void EnableItem(int id, bool enabled);
  // The tooltip over a control (kept over it while disabled); none when empty.
  void SetToolTip(int id, const std::string& text);

  MainDlgServices services_;
  HWND window_ = nullptr;
  HWND tooltips_ = nullptr;
  bool modal_ = false;
  bool busy_ = false;
  JobWindows jobWindows_;
  desktop::MainWindowLogic logic_;
};

}  // namespace brenmark::win32
