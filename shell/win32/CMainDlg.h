#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "shell/BackgroundWork.h"
#include "jobs/Job.h"

namespace brenmark {
class DriveLeases;
class DriveRegistry;
class VirtualTrays;
struct JobState;
class UserPrompt;
}  // namespace brenmark

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::win32 {

class CProgressDlg;
class FileChooser;
class UiDispatcher;
class Win32ProgressSink;
class Win32UserPrompt;

// What the main window works with; all of it outlives the window.
struct MainDlgServices {
  DriveRegistry& registry;
  DriveLeases& leases;
  JobRunner& jobs;
  JobState& jobState;
  Win32UserPrompt& prompt;
  UiDispatcher& ui;
  FileChooser& files;
  VirtualTrays& trays;
};

// The main window: the drive list, the folder choices and one command per
// function. Jobs run on their own threads, each with its own progress window,
// so the window stays usable while they run; folder scans and reports run on
// threads of their own too, their results handed back to this thread.
class CMainDlg {
 public:
  explicit CMainDlg(MainDlgServices services);
  ~CMainDlg();
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Shows the window modally until the user leaves.
  void RunModal();
  // Makes the window without waiting for it (tests drive it by messages).
  HWND Create();
  HWND hwnd() const { return window_; }

  // The progress windows of the jobs started so far, oldest first.
  std::vector<HWND> progressWindows() const;
  int RunningJobs() const;
  bool IsScanning() const { return scanning_; }
  bool IsReportRunning() const { return reportWork_.Busy(); }
  // Serves the user-interface thread's messages until every job, scan and
  // report has ended.
  void WaitForJobs();

 private:
  struct JobEntry;

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit();
  void OnCommand(int id, int code);
  void Leave();

  void SelectDrive();
  void ChooseFolderToBurn();
  void TakeTypedFolder();
  void ScanFolder(const std::string& folder);
  void CancelScan();
  void ShowScanning(bool scanning);
  void ShowReportRunning(bool running);
  void ShowBusyCursor();
  bool SetBusyCursor();
  void ChooseOutputFolder();
  void BurnDataDisc(JobProcedure procedure, int commandId);
  void RunAudioTest();
  void RunVideoTest();
  void RunGrabTest();
  // `dataDisc`: the dialog offers to leave the disc open for more sessions.
  bool ChooseSpeed(bool dataDisc = false);
  void StartJob(JobProcedure procedure, int commandId);
  void JobEnded(JobEntry& entry, JobEnd result);
  void RunReport(bool (*report)(DriveRegistry&, UserPrompt&));
  void Order();
  void ShowTray();
  void ShowBusyMessage();
  virtualdrive::VirtualRecorder* VirtualRecorderAt(int drive);
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  void EnableItem(int id, bool enabled);

  MainDlgServices services_;
  HWND window_ = nullptr;
  bool modal_ = false;
  std::vector<std::unique_ptr<JobEntry>> jobEntries_;
  BackgroundWork scanWork_;
  BackgroundWork reportWork_;
  bool scanning_ = false;
  // Counts folder choices; a scan whose number is no longer the last one was
  // cancelled or overtaken, and its tree is dropped.
  unsigned scanNumber_ = 0;
  std::string folderBeforeScan_;
};

}  // namespace brenmark::win32
