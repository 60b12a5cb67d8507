#include "shell/qt/CMainDlg.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QPushButton>

#include "shell/EngineSession.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/qt/AppIcon.h"
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
#include "shell/qt/QtUserPrompt.h"
#include "shell/qt/UiThread.h"
#include "ui_CMainDlg.h"

namespace brenmark::gui {

namespace {

QStringList ToStringList(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list;
}

}  // namespace

using desktop::JobKind;
using desktop::MainControl;

CMainDlg::CMainDlg(MainDlgServices services, QWidget* parent)
    : QDialog(parent),
      ui_(new Ui::CMainDlg),
      services_(services),
      jobWindows_(new JobWindows(this, services.prompt)) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(AppIcon());
  // The window keeps the size of its layout, as its template does.
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  // The window manager owns the system menu here, so "Burn Image..." and the
  // about item live in the window's own context menu, about after a separator.
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  auto* burnImage = new QAction(QStringLiteral("Burn &Image..."), this);
  connect(burnImage, &QAction::triggered, this, [this] { logic_->BurnImage(); });
  auto* about = new QAction(QStringLiteral("&About Brenmark..."), this);
  about->setShortcut(QKeySequence::HelpContents);
  connect(about, &QAction::triggered, this, &CMainDlg::ShowAboutBox);
  addActions({burnImage, separator, about});
  setContextMenuPolicy(Qt::ActionsContextMenu);
  ui_->jobsButton->setMenu(jobWindows_->menu());
  NameControlsForScreenReaders();

  desktop::MainWindowView& view = *this;
  logic_ = std::make_unique<desktop::MainWindowLogic>(services_.engine, view, *jobWindows_, UiThreadOf(this),
                                                      services_.settings);
  jobWindows_->Attach(logic_->board());
  connect(jobWindows_, &JobWindows::ClearEndedRequested, this, [this] { logic_->ClearEndedJobs(); });
  desktop::MainWindowLogic& logic = *logic_;

  connect(ui_->driveCombo, &QComboBox::currentIndexChanged, this, [&logic](int index) { logic.SelectDrive(index); });
  connect(ui_->trayButton, &QToolButton::clicked, this, [&logic] { logic.OpenTray(); });
  connect(ui_->chooseFolderButton, &QPushButton::clicked, this, [&logic] { logic.ChooseFolderToBurn(); });
  connect(ui_->folderEdit, &QLineEdit::returnPressed, this, [&logic] { logic.TakeTypedFolder(); });
  connect(ui_->cancelScanButton, &QPushButton::clicked, this, [&logic] { logic.CancelScan(); });
  connect(ui_->chooseOutputButton, &QPushButton::clicked, this, [&logic] { logic.ChooseOutputFolder(); });
  connect(ui_->grabRunButton, &QPushButton::clicked, this, [&logic] { logic.GrabAudio(); });
  connect(ui_->burnCdButton, &QPushButton::clicked, this, [&logic] { logic.BurnDataDisc(JobKind::DataCd); });
  connect(ui_->burnDvdButton, &QPushButton::clicked, this, [&logic] { logic.BurnDataDisc(JobKind::DataDvd); });
  connect(ui_->audioRunButton, &QPushButton::clicked, this, [&logic] { logic.BurnFiles(JobKind::AudioCd); });
  connect(ui_->videoRunButton, &QPushButton::clicked, this, [&logic] { logic.BurnFiles(JobKind::VideoCd); });
  connect(ui_->discInfoButton, &QPushButton::clicked, this, [&logic] { logic.ShowDiscReport(); });
  connect(ui_->deviceInfoButton, &QPushButton::clicked, this, [&logic] { logic.ShowDeviceReport(); });
  connect(ui_->orderButton, &QPushButton::clicked, this, [&logic] { logic.OpenDocumentation(); });
  connect(ui_->aboutButton, &QPushButton::clicked, this, &CMainDlg::ShowAboutBox);
  connect(ui_->exitButton, &QPushButton::clicked, this, &QDialog::reject);

  // Start in the folder field: Enter there takes a typed folder and never
  // ends the program.
  ui_->folderEdit->setFocus();
}

void CMainDlg::NameControlsForScreenReaders() {
  // The fields take their labels' names, not their groups' titles, and the
  // controls that look alike say what they belong to.
  ui_->folderLabel->setBuddy(ui_->folderEdit);
  ui_->outputLabel->setBuddy(ui_->outputEdit);
  ui_->chooseFolderButton->setAccessibleName(QStringLiteral("Choose Folder To Burn"));
  ui_->chooseOutputButton->setAccessibleName(QStringLiteral("Choose Output Folder"));
  ui_->cancelScanButton->setAccessibleName(QStringLiteral("Cancel Scan"));
  ui_->audioRunButton->setAccessibleName(QStringLiteral("Run Audio CD Test"));
  ui_->videoRunButton->setAccessibleName(QStringLiteral("Run Video CD Test"));
  ui_->grabRunButton->setAccessibleName(QStringLiteral("Run Grab Test"));
  ui_->trayButton->setAccessibleName(QStringLiteral("Tray"));
  ui_->aboutButton->setAccessibleName(QStringLiteral("About Brenmark"));
}

CMainDlg::~CMainDlg() {
  // Jobs, scans and reports report back to this window: let them end while
  // it is still whole.
  logic_.reset();
}

void CMainDlg::FillDriveList() { logic_->Open(); }

std::vector<QPointer<CProgressDlg>> CMainDlg::progressWindows() const { return jobWindows_->windows(); }

void CMainDlg::done(int result) {
  if (!logic_->MayLeave()) return;
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

void CMainDlg::ShowDrives(const std::vector<std::string>& names, int selected) {
  const QSignalBlocker quiet(ui_->driveCombo);
  ui_->driveCombo->clear();
  ui_->driveCombo->addItems(ToStringList(names));
  if (selected != -1) ui_->driveCombo->setCurrentIndex(selected);
}

std::string CMainDlg::FolderText() const { return ui_->folderEdit->text().toStdString(); }

void CMainDlg::SetFolderText(const std::string& text) { ui_->folderEdit->setText(QString::fromStdString(text)); }

std::string CMainDlg::OutputText() const { return ui_->outputEdit->text().toStdString(); }

void CMainDlg::SetOutputText(const std::string& text) { ui_->outputEdit->setText(QString::fromStdString(text)); }

QWidget* CMainDlg::ControlOf(MainControl control) const {
  switch (control) {
    case MainControl::DriveList:
      return ui_->driveCombo;
    case MainControl::TrayButton:
      return ui_->trayButton;
    case MainControl::BurnCd:
      return ui_->burnCdButton;
    case MainControl::BurnDvd:
      return ui_->burnDvdButton;
    case MainControl::ScanIndicator:
      return ui_->scanIndicator;
    case MainControl::DiscInfo:
      return ui_->discInfoButton;
    case MainControl::DeviceInfo:
      return ui_->deviceInfoButton;
    case MainControl::JobsMenu:
      return ui_->jobsButton;
    case MainControl::AudioCdTest:
      return ui_->audioRunButton;
    case MainControl::VideoCdTest:
      return ui_->videoRunButton;
    case MainControl::FolderField:
      return ui_->folderEdit;
  }
  return nullptr;
}

void CMainDlg::Enable(MainControl control, bool enabled) {
  ControlOf(control)->setEnabled(enabled);
  if (control == MainControl::FolderField) ui_->chooseFolderButton->setEnabled(enabled);
}

void CMainDlg::ExplainDisabled(MainControl control, const std::string& reason) {
  ControlOf(control)->setToolTip(QString::fromStdString(reason));
}

void CMainDlg::Show(MainControl control, bool shown) { ControlOf(control)->setVisible(shown); }

void CMainDlg::ShowBusy(bool busy) {
  if (busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

std::optional<std::string> CMainDlg::ChooseFolder(const std::string& title, const std::string& startFolder) {
  const auto folder =
      services_.files.ChooseFolder(this, QString::fromStdString(title), QString::fromStdString(startFolder));
  if (!folder) return std::nullopt;
  return QDir::toNativeSeparators(*folder).toStdString();
}

bool CMainDlg::ChooseFiles(JobKind kind, std::vector<std::string>& files, std::string& dialogFolder) {
  if (kind == JobKind::AudioCd) {
    DiscAtOnce trackAtOnce;
    return ChooseAudioFiles(files, dialogFolder, trackAtOnce);
  }
  return CAddVideoFilesDlg(services_.files, files, dialogFolder, this).exec() == QDialog::Accepted;
}

bool CMainDlg::ChooseAudioFiles(std::vector<std::string>& files, std::string& dialogFolder, DiscAtOnce& discAtOnce) {
  return CAddAudioFilesDlg(services_.files, files, dialogFolder, discAtOnce, this).exec() == QDialog::Accepted;
}

std::optional<std::string> CMainDlg::ChooseImageToBurn() {
  const auto chosen = services_.files.ChooseFiles(this, QStringLiteral("Disc images (*.iso *.cue)"), QString());
  if (!chosen || chosen->isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(chosen->front()).toStdString();
}

std::optional<desktop::SpeedChoice> CMainDlg::ChooseSpeed(const std::vector<std::string>& speeds, bool dataDisc,
                                                          const std::string& burning, int selected) {
  CSpeedSelectDlg dialog(ToStringList(speeds), dataDisc, this);
  dialog.ShowBurning(QString::fromStdString(burning));
  dialog.SelectSpeed(selected);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return desktop::SpeedChoice{dialog.SelectedIndex(), dialog.LeaveDiscOpen(), dialog.Verify()};
}

std::optional<desktop::TrackChoice> CMainDlg::ChooseTracks(const std::vector<std::string>& lines,
                                                           const audio::GrabSettings& settings) {
  CTestGrabDlg dialog(ToStringList(lines), this);
  dialog.ShowSettings(settings);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return desktop::TrackChoice{dialog.SelectedTracks(), dialog.Settings()};
}

void CMainDlg::OpenTray(virtualdrive::VirtualRecorder& recorder, const std::string& driveName) {
  CTrayDlg tray(recorder, QString::fromStdString(driveName), services_.engine.trays(), services_.files,
                services_.prompt, this);
  tray.exec();
}

void CMainDlg::OpenDocument(const std::filesystem::path& document) {
  OpenOnDesktop(QString::fromStdString(document.string()), services_.prompt);
}

bool CMainDlg::ConfirmLeaving(const std::string& question) {
  return services_.presenter.Confirm(this, QString::fromStdString(question));
}

}  // namespace brenmark::gui
