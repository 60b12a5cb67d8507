#pragma once

#include <optional>
#include <string>

#include "drive/UserPrompt.h"
#include "shell/BackgroundWork.h"
#include "shell/EngineSession.h"
#include "shell/desktop/JobBoard.h"
#include "shell/desktop/JobKind.h"
#include "shell/desktop/MainWindowView.h"
#include "shell/desktop/SettingsStore.h"
#include "shell/desktop/UiThread.h"

namespace brenmark::desktop {

// The main window's decisions, whatever toolkit draws it: the drive list and
// the tray button, which folder a data disc burns (the one the folder field
// shows, scanned first when it was typed), when Burn is enabled, which job each
// command starts with which inputs, the reports and the tray under the
// drive's lease, and leaving while jobs run. Folder scans and reports run on
// threads of their own; their results come back on the user-interface thread.
// `settings` keeps, between runs, the chosen drive and the last folder of
// each folder field and file dialog; the dialogs start there.
class MainWindowLogic {
 public:
  MainWindowLogic(EngineSession& engine, MainWindowView& view, JobBoardView& jobWindows, UiThread ui,
                  SettingsStore& settings);
  // Jobs, scans and reports report back to the window: they end first.
  ~MainWindowLogic();
  MainWindowLogic(const MainWindowLogic&) = delete;
  MainWindowLogic& operator=(const MainWindowLogic&) = delete;

  // The drive list with the drive chosen last selected (the first when it is
  // gone), and the fields with their last folders where these still exist.
  void Open();
  void SelectDrive(int index);
  void ChooseFolderToBurn();
  // Enter in the folder field.
  void TakeTypedFolder();
  // Stops the running scan; the field shows the folder taken before it.
  void CancelScan();
  void ChooseOutputFolder();
  void BurnDataDisc(JobKind kind);  // DataCd or DataDvd
  void BurnFiles(JobKind kind);     // AudioCd or VideoCd
  // "Burn Image...": an .iso or .cue image burned as it is.
  void BurnImage();
  void GrabAudio();
  void ShowDiscReport();
  void ShowDeviceReport();
  void OpenDocumentation();
  void OpenTray();
  // The Jobs menu's "Clear Ended Jobs"; the menu goes with its last line.
  void ClearEndedJobs();
  // False when jobs run and the user chose to stay; when leaving, a running
  // folder scan is stopped.
  bool MayLeave();

  bool IsScanning() const { return scanning_; }
  bool IsReportRunning() const { return reportWork_.Busy(); }
  int RunningJobs() const { return board_.RunningCount(); }
  JobBoard& board() { return board_; }
  // Serves the user-interface thread's events until every job, scan and
  // report has ended.
  void WaitForJobs();

 private:
  // The folder field's text as an absolute folder; nothing (after saying
  // why, unless the field is empty) when it names no folder.
  std::optional<std::string> TypedFolder();
  void ScanFolder(const std::string& folder);
  void StopScan();
  // The tray button and the Run Tests the drive `index` can serve.
  void ShowDriveControls(int index);
  void BurnScannedFolder(JobKind kind);
  void ShowScanning(bool scanning);
  // Burn CD and Burn DVD: enabled for the media the drive writes, while no scan runs.
  void ShowBurnButtons();
  void ShowReportRunning(bool running);
  // False (the user told why) when the scanned folder's files alone need more
  // room than the disc in the drive has free.
  bool FolderFits();
  // `leaveOpenOffered`: the dialog offers to leave the disc open for more
  // sessions; `burning` names what is burned.
  bool ChooseSpeed(bool leaveOpenOffered, const std::string& burning);
  void StartJob(JobKind kind);
  // The track dialog's format and bit rate as chosen last.
  audio::GrabSettings RememberedGrabSettings();
  // What the job of `kind` works from, as the Jobs menu names it.
  std::string SourceOf(JobKind kind) const;
  // `reportName` and the drive's name title the report's windows.
  void RunReport(bool (*report)(DriveRegistry&, UserPrompt&), const char* reportName);
  void ShowBusyMessage();

  EngineSession& engine_;
  MainWindowView& view_;
  SettingsStore& settings_;
  JobBoard board_;
  BackgroundWork scanWork_;
  BackgroundWork reportWork_;
  bool scanning_ = false;
  // What the current drive writes; Burn CD and Burn DVD follow it.
  bool writesCds_ = true;
  bool writesDvds_ = true;
  // Counts folder choices; a scan whose number is no longer the last one was
  // cancelled or overtaken, and its tree is dropped.
  unsigned scanNumber_ = 0;
  // The burn Burn asked for while the field's folder was being scanned.
  std::optional<JobKind> pendingBurn_;
  // The folder whose tree the job state holds, as the folder field showed it
  // (before the first scan, the folder remembered from the last run).
  std::string scannedFolder_;
};

}  // namespace brenmark::desktop
