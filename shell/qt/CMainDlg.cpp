#include "shell/qt/CMainDlg.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QPushButton>

#include <optional>

#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "jobs/burn/DataDiscJob.h"
#include "shell/DesktopTexts.h"
#include "shell/Documentation.h"
#include "jobs/DriveLeases.h"
#include "shell/DriveNames.h"
#include "jobs/JobState.h"
#include "shell/SourceFolder.h"
#include "jobs/SpeedSelection.h"
#include "shell/qt/AppIcon.h"
#include "shell/qt/BackgroundWork.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/VcdJob.h"
#include "shell/qt/CAboutDlg.h"
#include "shell/qt/CAddAudioFilesDlg.h"
#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "shell/qt/CTestGrabDlg.h"
#include "shell/qt/CTrayDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FileBrowser.h"
#include "shell/qt/JobWindows.h"
#include "shell/qt/MessagePresenter.h"
#include "shell/VirtualTrays.h"
#include "ui_CMainDlg.h"

namespace brenmark::gui {

namespace {

using namespace desktoptext;

const QString kFolderBrowserTitle = QString::fromUtf8(desktoptext::kFolderBrowserTitle);

// The name a progress window gives the job started by a command button.
QString JobNameOf(const QObject* command) {
  return QString::fromStdString(JobName(command ? command->property("controlId").toInt() : 0));
}

}  // namespace

CMainDlg::CMainDlg(MainDlgServices services, QWidget* parent)
    : QDialog(parent),
      ui_(new Ui::CMainDlg),
      services_(services),
      jobWindows_(new JobWindows(this, services.jobs, services.prompt, services.trays)),
      scanWork_(new BackgroundWork(this)),
      reportWork_(new BackgroundWork(this)) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(AppIcon());
  // The window keeps the size of its layout, as its template does.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

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

  ui_->scanIndicator->hide();
  ui_->jobsButton->setMenu(jobWindows_->menu());
  ui_->jobsButton->setEnabled(false);
  connect(jobWindows_, &JobWindows::RunningCountChanged, this,
          [this] { ui_->jobsButton->setEnabled(true); });

  connect(ui_->driveCombo, &QComboBox::currentIndexChanged, this, &CMainDlg::SelectDrive);
  connect(ui_->trayButton, &QToolButton::clicked, this, &CMainDlg::ShowTray);
  connect(ui_->chooseFolderButton, &QPushButton::clicked, this, &CMainDlg::ChooseFolderToBurn);
  connect(ui_->folderEdit, &QLineEdit::returnPressed, this, &CMainDlg::TakeTypedFolder);
  connect(ui_->cancelScanButton, &QPushButton::clicked, this, &CMainDlg::CancelScan);
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
  // Start in the folder field: Enter there takes a typed folder and never
  // ends the program.
  ui_->folderEdit->setFocus();
}

CMainDlg::~CMainDlg() {
  // Jobs, scans and reports report back to this window: let them end while
  // it is still whole.
  WaitForJobs();
}

void CMainDlg::FillDriveList() {
  DriveRegistry& registry = services_.registry;
  registry.EnumerateDrives();
  const QSignalBlocker quiet(ui_->driveCombo);
  for (int index = 0; index < registry.driveCount; ++index) {
    ui_->driveCombo->addItem(QString::fromStdString(ListedDriveName(registry.drive(index))));
  }
  if (registry.currentDrive != -1) ui_->driveCombo->setCurrentIndex(registry.currentDrive);
  ui_->trayButton->setVisible(VirtualRecorderAt(registry.currentDrive) != nullptr);
}

virtualdrive::VirtualRecorder* CMainDlg::VirtualRecorderAt(int drive) {
  return services_.trays.RecorderAt(services_.registry, drive);
}

std::vector<QPointer<CProgressDlg>> CMainDlg::progressWindows() const { return jobWindows_->windows(); }

bool CMainDlg::IsJobRunning() const { return jobWindows_->RunningCount() > 0; }

bool CMainDlg::IsScanning() const { return !ui_->scanIndicator->isHidden(); }

bool CMainDlg::IsReportRunning() const { return reportWork_->Busy(); }

void CMainDlg::WaitForJobs() {
  jobWindows_->WaitForJobs();
  scanWork_->WaitForAll();
  reportWork_->WaitForAll();
}

void CMainDlg::done(int result) {
  if (IsJobRunning() && !services_.presenter.Confirm(this, QString::fromUtf8(kLeaveDuringJobQuestion))) return;
  QDialog::done(result);
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // The window has no default button: Enter presses the focused button, is
  // the folder fields' own (it never ends the program there), and anywhere
  // else ends the window as Exit does.
  if (event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
      button->click();
    } else if (!qobject_cast<QLineEdit*>(focusWidget())) {
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
  if (folder) ScanFolder(*folder);
}

void CMainDlg::TakeTypedFolder() {
  const QString typed = ui_->folderEdit->text().trimmed();
  if (typed.isEmpty()) return;
  if (!QFileInfo(typed).isDir()) {
    services_.prompt.ShowMessage(NotAFolderMessage(QDir::toNativeSeparators(typed).toStdString()),
                                 MessageIcon::Warning);
    return;
  }
  ScanFolder(QDir(typed).absolutePath());
}

void CMainDlg::ScanFolder(const QString& folder) {
  // The tree is built on a thread of its own; Burn waits for it. Only the
  // latest choice counts: a cancelled or overtaken scan's tree is dropped.
  if (!IsScanning()) folderBeforeScan_ = ui_->folderEdit->text();
  ui_->folderEdit->setText(QDir::toNativeSeparators(folder));
  const unsigned number = ++scanNumber_;
  ShowScanning(true);
  scanWork_->Run([path = QFile::encodeName(folder).toStdString()] { return BuildSourceTree(path); },
                 [this, number](std::unique_ptr<datadisc::SourceTree> tree) {
                   if (number != scanNumber_) return;
                   services_.jobState.sourceTree = std::move(tree);
                   ShowScanning(false);
                 });
}

void CMainDlg::CancelScan() {
  if (!IsScanning()) return;
  ++scanNumber_;
  ui_->folderEdit->setText(folderBeforeScan_);
  ShowScanning(false);
}

void CMainDlg::ShowScanning(bool scanning) {
  ui_->scanIndicator->setVisible(scanning);
  ui_->burnCdButton->setEnabled(!scanning);
  ui_->burnDvdButton->setEnabled(!scanning);
  ShowBusyCursor();
}

void CMainDlg::ShowReportRunning(bool running) {
  // The report is about the current drive: the drive list waits for it.
  ui_->driveCombo->setEnabled(!running);
  ui_->discInfoButton->setEnabled(!running);
  ui_->deviceInfoButton->setEnabled(!running);
  ShowBusyCursor();
}

void CMainDlg::ShowBusyCursor() {
  if (IsScanning() || IsReportRunning()) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
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
  if (!ChooseSpeed(true)) return;
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

bool CMainDlg::ChooseSpeed(bool dataDisc) {
  DriveRegistry& registry = services_.registry;
  SpeedSelection speeds;
  if (speeds.Load(registry, registry.currentDrive, services_.leases) ==
      SpeedSelection::LoadResult::DriveBusy) {
    ShowBusyMessage();
    return false;
  }
  QStringList labels;
  for (const std::string& entry : speeds.entries()) labels << QString::fromStdString(entry);
  CSpeedSelectDlg dialog(labels, dataDisc, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  speeds.Burn(registry, dialog.SelectedIndex(), dialog.LeaveDiscOpen());
  return true;
}

void CMainDlg::RunGrabTest() {
  JobState& state = services_.jobState;
  state.outputFolder = QFile::encodeName(ui_->outputEdit->text()).toStdString();
  if (state.outputFolder.empty()) {
    services_.prompt.ShowMessage(kNoOutputFolderMessage, MessageIcon::Plain);
    return;
  }
  const std::optional<std::vector<std::string>> tracks =
      audio::ReadTrackListLines(services_.registry, services_.leases, services_.registry.currentDrive, services_.prompt);
  if (!tracks) {
    ShowBusyMessage();
    return;
  }
  QStringList lines;
  for (const std::string& line : *tracks) lines << QString::fromStdString(line);
  CTestGrabDlg dialog(lines, this);
  if (dialog.exec() != QDialog::Accepted) return;
  state.trackSelected = dialog.SelectedTracks();
  state.grabSettings = dialog.Settings();
  StartJob(audio::GrabJob);
}

void CMainDlg::StartJob(JobProcedure procedure) {
  const int drive = services_.registry.currentDrive;
  const QString driveName = drive >= 0 && drive < services_.registry.driveCount
                                ? QString::fromStdString(ShortDriveName(services_.registry.drive(drive)))
                                : QStringLiteral("no drive");
  jobWindows_->Start(std::move(procedure), SnapshotJobInputs(services_.jobState, services_.registry),
                     JobNameOf(sender()), driveName, VirtualRecorderAt(drive));
}

void CMainDlg::RunReport(bool (*report)(DriveRegistry&, UserPrompt&)) {
  // The report's queries run on a thread of their own, holding the drive's
  // lease until its box has been closed, so they never talk to a drive a job
  // is using; the window stays responsive meanwhile.
  const int drive = services_.registry.currentDrive;
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0) {
    lease = services_.leases.TryAcquire(drive);
    if (!lease) {
      ShowBusyMessage();
      return;
    }
  }
  ShowReportRunning(true);
  reportWork_->Run(
      [report, &registry = services_.registry, &prompt = services_.prompt, lease = std::move(lease)]() mutable {
        report(registry, prompt);
        lease.reset();
      },
      [this] { ShowReportRunning(false); });
}

void CMainDlg::GetDiscInfo() { RunReport(ShowDiscReport); }

void CMainDlg::GetDeviceInfo() { RunReport(ShowDeviceReport); }

void CMainDlg::Order() {
  const std::filesystem::path documentation = DocumentationPath();
  if (documentation.empty()) {
    services_.prompt.ShowMessage(DocumentationMissingMessage(InstalledDocumentationPath().string()),
                                 MessageIcon::Warning);
    return;
  }
  OpenOnDesktop(QString::fromStdString(documentation.string()), services_.prompt);
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
  CTrayDlg tray(*recorder, ui_->driveCombo->currentText(), services_.trays, services_.files,
                services_.prompt, this);
  tray.exec();
}

void CMainDlg::ShowBusyMessage() {
  services_.prompt.ShowMessage(DriveLeases::kBusyMessage, MessageIcon::Warning);
}

}  // namespace brenmark::gui
