#include "shell/qt/CTrayDlg.h"

#include <QDir>
#include <QFile>
#include <QLayout>

#include "drive/UserPrompt.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FileBrowser.h"
#include "shell/VirtualTrays.h"
#include "ui_CTrayDlg.h"

namespace brenmark::gui {

namespace {

QString PathText(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

CTrayDlg::CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
                   VirtualTrays& trays, FileBrowser& files, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent),
      ui_(new Ui::CTrayDlg),
      recorder_(recorder),
      trays_(trays),
      files_(files),
      prompt_(prompt) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  ui_->recorderName->setText(driveName);
  ui_->contents->setText(QString::fromStdString(recorder_.DescribeTray()));
  ui_->note->hide();
  // CD-R blanks come in several sizes; the DVD recorder's DVD-R in one.
  const bool cdRecorder = virtualdrive::IsCdMedium(recorder_.model().blankKind);
  for (const int minutes : virtualdrive::geometry::kCdMinutes) {
    ui_->blankSize->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
  }
  ui_->blankSize->setCurrentIndex(ui_->blankSize->findData(virtualdrive::geometry::kDefaultCdMinutes));
  ui_->blankSize->setVisible(cdRecorder);
  connect(ui_->insertBlankButton, &QPushButton::clicked, this, &CTrayDlg::InsertBlank);
  connect(ui_->insertImageButton, &QPushButton::clicked, this, &CTrayDlg::InsertImage);
  connect(ui_->insertLastBurnedButton, &QPushButton::clicked, this, &CTrayDlg::InsertLastBurned);
  connect(ui_->ejectButton, &QPushButton::clicked, this, &CTrayDlg::Eject);
  connect(ui_->emptyTrayButton, &QPushButton::clicked, this, &CTrayDlg::EmptyTray);
  connect(ui_->burnedDiscsButton, &QPushButton::clicked, this, &CTrayDlg::OpenBurnedDiscs);
}

CTrayDlg::~CTrayDlg() = default;

QString CTrayDlg::Contents() const { return ui_->contents->text(); }

void CTrayDlg::InsertBlank() {
  const virtualdrive::MediumKind kind = recorder_.model().blankKind;
  const int minutes = virtualdrive::IsCdMedium(kind) ? ui_->blankSize->currentData().toInt() : 0;
  Report(recorder_.InsertBlank(kind, minutes));
}

void CTrayDlg::InsertImage() {
  const auto image = files_.ChooseDiscImage(this);
  if (!image) return;
  Report(recorder_.InsertImage(std::filesystem::path(QFile::encodeName(*image).toStdString())));
}

void CTrayDlg::InsertLastBurned() {
  const std::filesystem::path last = trays_.LastBurnedDisc(recorder_);
  if (last.empty()) {
    prompt_.ShowMessage("No disc burned on this recorder was found in " + trays_.burnedFolder().string() + ".",
                        MessageIcon::Warning);
    return;
  }
  Report(recorder_.InsertImage(last));
}

void CTrayDlg::Eject() { Report(recorder_.Eject()); }

void CTrayDlg::EmptyTray() { Report(recorder_.RemoveDisc()); }

void CTrayDlg::OpenBurnedDiscs() {
  const QString folder = PathText(trays_.burnedFolder());
  QDir().mkpath(folder);
  OpenOnDesktop(folder, prompt_);
}

void CTrayDlg::Report(const virtualdrive::TrayResult& result) {
  ui_->contents->setText(QString::fromStdString(recorder_.DescribeTray()));
  if (!result.finishedImage.empty()) {
    ui_->note->setText(QStringLiteral("The written disc taken out is kept as %1.")
                           .arg(QDir::toNativeSeparators(PathText(result.finishedImage))));
    ui_->note->show();
  }
  if (!result.ok) prompt_.ShowMessage(result.message, MessageIcon::Error);
}

}  // namespace brenmark::gui
