#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

#include "jobs/Job.h"

namespace Ui {
class CMainDlg;
}

namespace brenmark {
class VirtualTrays;
class DriveLeases;
class DriveRegistry;
struct JobState;
class UserPrompt;
}  // namespace brenmark

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::gui {

class BackgroundWork;
class CProgressDlg;
class FileBrowser;
class JobWindows;
class MessagePresenter;

// What the main window works with; all of it outlives the window.
struct MainDlgServices {
  DriveRegistry& registry;
  DriveLeases& leases;
  JobRunner& jobs;
  JobState& jobState;
  UserPrompt& prompt;
  MessagePresenter& presenter;
  FileBrowser& files;
  VirtualTrays& trays;
};

// The main window: the drive list, the folder choices and one command per
// function. Jobs run on their own threads, each with its own progress window;
// folder scans and reports run on threads of their own too, so the window
// stays responsive throughout.
class CMainDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CMainDlg(MainDlgServices services, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Lists the drives found by enumeration and selects the first one.
  void FillDriveList();
  // The progress windows of the jobs started so far, oldest first.
  std::vector<QPointer<CProgressDlg>> progressWindows() const;
  JobWindows& jobWindows() { return *jobWindows_; }
  bool IsJobRunning() const;
  bool IsScanning() const;
  bool IsReportRunning() const;
  // Serves the user-interface thread's events until every job, scan and
  // report has ended.
  void WaitForJobs();
  // Leaving while a job runs needs the user's consent.
  void done(int result) override;

 public slots:
  void ShowAboutBox();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void SelectDrive(int index);
  void ChooseFolderToBurn();
  void TakeTypedFolder();
  void CancelScan();
  void ChooseOutputFolder();
  void BurnCd();
  void BurnDvd();
  void RunAudioTest();
  void RunVideoTest();
  void RunGrabTest();
  void GetDiscInfo();
  void GetDeviceInfo();
  void Order();
  void ShowTray();

 private:
  void ScanFolder(const QString& folder);
  void ShowScanning(bool scanning);
  void ShowReportRunning(bool running);
  void ShowBusyCursor();
  void BurnDataDisc(JobProcedure procedure);
  // `dataDisc`: the dialog offers to leave the disc open for more sessions.
  bool ChooseSpeed(bool dataDisc = false);
  // Starts a job on the current drive, named after the command that asked.
  void StartJob(JobProcedure procedure);
  void RunReport(bool (*report)(DriveRegistry&, UserPrompt&));
  void ShowBusyMessage();
  virtualdrive::VirtualRecorder* VirtualRecorderAt(int drive);

  std::unique_ptr<Ui::CMainDlg> ui_;
  MainDlgServices services_;
  JobWindows* jobWindows_;
  BackgroundWork* scanWork_;
  BackgroundWork* reportWork_;
  // Counts folder choices; a scan whose number is no longer the last one was
  // cancelled or overtaken, and its tree is dropped.
  unsigned scanNumber_ = 0;
  QString folderBeforeScan_;
};

}  // namespace brenmark::gui
