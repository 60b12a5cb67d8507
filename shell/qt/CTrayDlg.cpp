#include "shell/qt/CTrayDlg.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QUrl>

#include "drive/UserPrompt.h"
#include "shell/qt/FileBrowser.h"
#include "ui_CTrayDlg.h"

namespace brenmark::gui {

namespace {

QString PathText(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

CTrayDlg::CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
                   std::filesystem::path burnedFolder, FileBrowser& files, UserPrompt& prompt,
                   QWidget* parent)
    : QDialog(parent),
      ui_(new Ui::CTrayDlg),
      recorder_(recorder),
      burnedFolder_(std::move(burnedFolder)),
      files_(files),
      prompt_(prompt) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
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

void CTrayDlg::OpenBurnedDiscs() {
  QDir().mkpath(PathText(burnedFolder_));
  QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(burnedFolder_)));
}

void CTrayDlg::Report(const virtualdrive::TrayResult& result) {
  ui_->contents->setText(QString::fromStdString(recorder_.DescribeTray()));
  if (!result.finishedImage.empty()) {
    ui_->note->setText(QStringLiteral("The written disc taken out is kept as %1")
                           .arg(QDir::toNativeSeparators(PathText(result.finishedImage))));
    ui_->note->show();
  }
  if (!result.ok) prompt_.ShowMessage(result.message, MessageIcon::Error);
}

}  // namespace brenmark::gui
