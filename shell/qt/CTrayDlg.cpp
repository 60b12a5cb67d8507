#include "shell/qt/CTrayDlg.h"

#include <QFile>
#include <QLayout>

#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FileBrowser.h"
#include "ui_CTrayDlg.h"

namespace brenmark::gui {

CTrayDlg::CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
                   VirtualTrays& trays, FileBrowser& files, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent),
      ui_(new Ui::CTrayDlg),
      files_(files),
      prompt_(prompt),
      logic_(recorder, trays, prompt, *this) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  ui_->recorderName->setText(driveName);
  ui_->note->hide();
  logic_.Open();
  connect(ui_->insertBlankButton, &QPushButton::clicked, this, [this] { logic_.InsertBlank(); });
  connect(ui_->insertImageButton, &QPushButton::clicked, this, [this] { logic_.InsertImage(); });
  connect(ui_->insertLastBurnedButton, &QPushButton::clicked, this, [this] { logic_.InsertLastBurned(); });
  connect(ui_->ejectButton, &QPushButton::clicked, this, [this] { logic_.Eject(); });
  connect(ui_->emptyTrayButton, &QPushButton::clicked, this, [this] { logic_.EmptyTray(); });
  connect(ui_->burnedDiscsButton, &QPushButton::clicked, this, [this] { logic_.OpenBurnedDiscs(); });
}

CTrayDlg::~CTrayDlg() = default;

void CTrayDlg::ShowContents(const std::string& text) { ui_->contents->setText(QString::fromStdString(text)); }

void CTrayDlg::ShowBlankSizes(const std::vector<std::string>& sizes, int selected) {
  for (const std::string& size : sizes) ui_->blankSize->addItem(QString::fromStdString(size));
  ui_->blankSize->setCurrentIndex(selected);
  ui_->blankSize->setVisible(!sizes.empty());
}

int CTrayDlg::ChosenBlankSize() const { return ui_->blankSize->currentIndex(); }

void CTrayDlg::ShowNote(const std::string& text) {
  ui_->note->setText(QString::fromStdString(text));
  ui_->note->show();
}

std::optional<std::string> CTrayDlg::ChooseDiscImage() {
  const auto image = files_.ChooseDiscImage(this);
  if (!image) return std::nullopt;
  return image->toStdString();
}

void CTrayDlg::OpenFolder(const std::filesystem::path& folder) {
  OpenOnDesktop(QFile::decodeName(QByteArray::fromStdString(folder.string())), prompt_);
}

}  // namespace brenmark::gui
