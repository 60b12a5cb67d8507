#include "shell/qt/CAddAudioFilesDlg.h"

#include "ui_CAddAudioFilesDlg.h"

namespace brenmark::gui {

CAddAudioFilesDlg::CAddAudioFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles,
                                     std::string& dialogFolder, DiscAtOnce& discAtOnce, QWidget* parent)
    : SourceFilesDlg(files, QStringLiteral("WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)"), desktop::JobKind::AudioCd,
                     sourceFiles, dialogFolder, parent),
      ui_(new Ui::CAddAudioFilesDlg) {
  ui_->setupUi(this);
  Attach(ui_->fileList, ui_->addFilesButton, ui_->okButton);
  ui_->discAtOnceBox->setChecked(discAtOnce.enabled);
  ui_->albumTitleEdit->setText(QString::fromStdString(discAtOnce.albumTitle));
  ui_->performerEdit->setText(QString::fromStdString(discAtOnce.albumPerformer));
  const auto enableTexts = [this](bool enabled) {
    for (QWidget* field : {static_cast<QWidget*>(ui_->albumTitleEdit), static_cast<QWidget*>(ui_->performerEdit)}) {
      field->setEnabled(enabled);
    }
  };
  enableTexts(discAtOnce.enabled);
  connect(ui_->discAtOnceBox, &QCheckBox::toggled, this, enableTexts);
  // Cancel leaves the choice as it was.
  connect(this, &QDialog::accepted, this, [this, &discAtOnce] {
    discAtOnce.enabled = ui_->discAtOnceBox->isChecked();
    discAtOnce.albumTitle = ui_->albumTitleEdit->text().trimmed().toStdString();
    discAtOnce.albumPerformer = ui_->performerEdit->text().trimmed().toStdString();
  });
}

CAddAudioFilesDlg::~CAddAudioFilesDlg() = default;

}  // namespace brenmark::gui
