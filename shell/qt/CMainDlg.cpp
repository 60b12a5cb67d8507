#include "shell/qt/CMainDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QThread>
#include <QUrl>

#include <optional>

#include "audio/DiscTracks.h"
#include "audio/GrabJob.h"
#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "shell/DataDiscJob.h"
#include "shell/DriveLeases.h"
#include "shell/JobState.h"
#include "shell/SourceFolder.h"
#include "shell/SpeedSelection.h"
#include "shell/qt/AppIcon.h"
#include "shell/AudioCdJob.h"
#include "shell/VcdJob.h"
#include "shell/qt/CAboutDlg.h"
#include "shell/qt/CAddAudioFilesDlg.h"
#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "shell/qt/CTestGrabDlg.h"
#include "shell/qt/CTrayDlg.h"
#include "shell/qt/FileBrowser.h"
#include "shell/qt/MessagePresenter.h"
#include "shell/qt/QtProgressSink.h"
#include "shell/qt/VirtualTrays.h"
#include "ui_CMainDlg.h"

namespace brenmark::gui {

namespace {

const QString kFolderBrowserTitle = QStringLiteral("Choose a folder:");
const char kNoFolderMessage[] = "You have not select a folder to burn on disc.";
const char kNoOutputFolderMessage[] = "Please select output folder to store files.";
const QString kLeaveDuringJobQuestion = QStringLiteral(
    "A job is still running.\n"
    "If you leave now, Brenmark closes its windows and ends once the job has finished.\n"
    "Do you want to leave?");

}  // namespace

CMainDlg::CMainDlg(MainDlgServices services, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CMainDlg), services_(services) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(AppIcon());

  // The window manager owns the system menu here, so the about item lives in
  // the window's own context menu, after a separator.
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  auto* about = new QAction(QStringLiteral("&About Brenmark..."), this);
  about->setShortcut(QKeySequence::HelpContents);
  connect(about, &QAction::triggered, this, &CMainDlg::ShowAboutBox);
  addActions({separator, about});
  setContextMenuPolicy(Qt::ActionsContextMenu);

  ui_->trayButton->setVisible(false);

  connect(ui_->driveCombo, &QComboBox::currentIndexChanged, this, &CMainDlg::SelectDrive);
  connect(ui_->trayButton, &QToolButton::clicked, this, &CMainDlg::ShowTray);
  connect(ui_->chooseFolderButton, &QPushButton::clicked, this, &CMainDlg::ChooseFolderToBurn);
  connect(ui_->chooseOutputButton, &QPushButton::clicked, this, &CMainDlg::ChooseOutputFolder);
  connect(ui_->grabRunButton, &QPushButton::clicked, this, &CMainDlg::RunGrabTest);
  connect(ui_->burnCdButton, &QPushButton::clicked, this, &CMainDlg::BurnCd);
  connect(ui_->burnDvdButton, &QPushButton::clicked, this, &CMainDlg::BurnDvd);
  connect(ui_->audioRunButton, &QPushButton::clicked, this, &CMainDlg::RunAudioTest);
  connect(ui_->videoRunButton, &QPushButton::clicked, this, &CMainDlg::RunVideoTest);
  connect(ui_->discInfoButton, &QPushButton::clicked, this, &CMainDlg::GetDiscInfo);
  connect(ui_->deviceInfoButton, &QPushButton::clicked, this, &CMainDlg::GetDeviceInfo);
  connect(ui_->orderButton, &QPushButton::clicked, this, &CMainDlg::Order);
  connect(ui_->exitButton, &QPushButton::clicked, this, &QDialog::reject);

  ui_->outputEdit->clear();
  services_.jobState.sourceTree.reset();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::FillDriveList() {
  DriveRegistry& registry = services_.registry;
  registry.EnumerateDrives();
  const QSignalBlocker quiet(ui_->driveCombo);
  for (int index = 0; index < registry.driveCount; ++index) {
    ui_->driveCombo->addItem(QString::fromStdString(registry.drive(index).displayName));
  }
  if (registry.currentDrive != -1) ui_->driveCombo->setCurrentIndex(registry.currentDrive);
  ui_->trayButton->setVisible(VirtualRecorderAt(registry.currentDrive) != nullptr);
}

virtualdrive::VirtualRecorder* CMainDlg::VirtualRecorderAt(int drive) {
  if (drive < 0 || drive >= services_.registry.driveCount) return nullptr;
  return services_.trays.RecorderFor(services_.registry.drive(drive));
}

bool CMainDlg::IsJobRunning() const {
  for (const auto& job : jobs_) {
    if (!job->Finished()) return true;
  }
  return false;
}

void CMainDlg::WaitForJobs() {
  while (IsJobRunning()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(10);
  }
}

void CMainDlg::done(int result) {
  if (IsJobRunning() && !services_.presenter.Confirm(this, kLeaveDuringJobQuestion)) return;
  QDialog::done(result);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // The window has no default button: Enter presses the focused button,
  // and anywhere else ends the window as Exit does.
  if (event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
      button->click();
    } else {
      done(QDialog::Accepted);
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

void CMainDlg::ShowAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void CMainDlg::SelectDrive(int index) {
  if (index < 0) return;
  services_.registry.currentDrive = index;
  ui_->trayButton->setVisible(VirtualRecorderAt(index) != nullptr);
}

void CMainDlg::ChooseFolderToBurn() {
  const auto folder = services_.files.ChooseFolder(this, kFolderBrowserTitle);
  if (!folder) return;
  ui_->folderEdit->setText(QDir::toNativeSeparators(*folder));

  services_.jobState.sourceTree = BuildSourceTree(folder->toStdString());
}

void CMainDlg::ChooseOutputFolder() {
  const auto folder = services_.files.ChooseFolder(this, kFolderBrowserTitle);
  if (folder) ui_->outputEdit->setText(QDir::toNativeSeparators(*folder));
}

void CMainDlg::BurnCd() { BurnDataDisc(DataCdJob); }

void CMainDlg::BurnDvd() { BurnDataDisc(DataDvdJob); }

void CMainDlg::BurnDataDisc(JobProcedure procedure) {
  if (!services_.jobState.sourceTree) {
    services_.prompt.ShowMessage(kNoFolderMessage, MessageIcon::Plain);
    return;
  }
  if (!ChooseSpeed()) return;
  StartJob(std::move(procedure));
}

void CMainDlg::RunAudioTest() {
  CAddAudioFilesDlg files(services_.files, services_.jobState.sourceFiles, this);
  if (files.exec() != QDialog::Accepted || !ChooseSpeed()) return;
  StartJob(AudioCdJob);
}

void CMainDlg::RunVideoTest() {
  CAddVideoFilesDlg files(services_.files, services_.jobState.sourceFiles, this);
  if (files.exec() != QDialog::Accepted || !ChooseSpeed()) return;
  StartJob(VcdJob);
}

bool CMainDlg::ChooseSpeed() {
  DriveRegistry& registry = services_.registry;
  SpeedSelection speeds;
  if (speeds.Load(registry, registry.currentDrive, services_.leases) ==
      SpeedSelection::LoadResult::DriveBusy) {
    ShowBusyMessage();
    return false;
  }
  QStringList labels;
  for (const std::string& entry : speeds.entries()) labels << QString::fromStdString(entry);
  CSpeedSelectDlg dialog(labels, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  speeds.Burn(registry, dialog.SelectedIndex());
  return true;
}

void CMainDlg::RunGrabTest() {
  JobState& state = services_.jobState;
  state.outputFolder = QFile::encodeName(ui_->outputEdit->text()).toStdString();
  if (state.outputFolder.empty()) {
    services_.prompt.ShowMessage(kNoOutputFolderMessage, MessageIcon::Plain);
    return;
  }
  // The disc's tracks are read holding the drive's lease, as a report does.
  const int drive = services_.registry.currentDrive;
  audio::TrackTimeTable tracks;
  {
    std::optional<DriveLeases::Lease> lease;
    if (drive >= 0 && !(lease = services_.leases.TryAcquire(drive))) {
      ShowBusyMessage();
      return;
    }
    tracks = audio::ReadDiscTracks(services_.registry, drive, services_.prompt);
  }
  QStringList lines;
  for (int track = 1; tracks.Holds(track); ++track) {
    lines << QString::fromStdString(audio::TrackListText(track, tracks.Start(track), tracks.End(track)));
  }
  CTestGrabDlg dialog(lines, this);
  if (dialog.exec() != QDialog::Accepted) return;
  state.trackSelected = dialog.SelectedTracks();
  state.grabSettings = dialog.Settings();
  StartJob(audio::GrabJob);
}

void CMainDlg::StartJob(JobProcedure procedure) {
  // The window is shown only once the job has its drive; it is never deleted
  // while the main window lives, so the job can always write to it.
  auto* window = new CProgressDlg(this);
  window->setWindowIcon(windowIcon());
  auto job = services_.jobs.Start(std::move(procedure),
                                  SnapshotJobInputs(services_.jobState, services_.registry),
                                  std::make_shared<QtProgressSink>(window));
  if (!job) {
    delete window;
    return;
  }
  jobs_.push_back(std::move(job));
  progressWindows_.push_back(window);
  window->show();
}

void CMainDlg::RunReport(bool (*report)(DriveRegistry&, UserPrompt&)) {
  // Reports run here, on the user-interface thread, holding the drive's lease
  // so that they never talk to a drive a job is using.
  const int drive = services_.registry.currentDrive;
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0) {
    lease = services_.leases.TryAcquire(drive);
    if (!lease) {
      ShowBusyMessage();
      return;
    }
  }
  report(services_.registry, services_.prompt);
}

void CMainDlg::GetDiscInfo() { RunReport(ShowDiscReport); }

void CMainDlg::GetDeviceInfo() { RunReport(ShowDeviceReport); }

void CMainDlg::Order() {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QStringLiteral(BRENMARK_README_PATH)));
}

void CMainDlg::ShowTray() {
  const int drive = services_.registry.currentDrive;
  virtualdrive::VirtualRecorder* recorder = VirtualRecorderAt(drive);
  if (!recorder) return;
  // A disc is not swapped under a running job.
  const auto lease = services_.leases.TryAcquire(drive);
  if (!lease) {
    ShowBusyMessage();
    return;
  }
  CTrayDlg tray(*recorder, ui_->driveCombo->currentText(), services_.trays.burnedFolder(),
                services_.files, services_.prompt, this);
  tray.exec();
}

void CMainDlg::ShowBusyMessage() {
  services_.prompt.ShowMessage(DriveLeases::kBusyMessage, MessageIcon::Error);
}

}  // namespace brenmark::gui
