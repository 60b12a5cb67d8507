#include "shell/qt/CAddAudioFilesDlg.h"

#include "ui_CAddAudioFilesDlg.h"

namespace brenmark::gui {

CAddAudioFilesDlg::CAddAudioFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles,
                                     std::string& dialogFolder, QWidget* parent)
    : SourceFilesDlg(files, QStringLiteral("WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)"), desktop::JobKind::AudioCd,
                     sourceFiles, dialogFolder, parent),
      ui_(new Ui::CAddAudioFilesDlg) {
  ui_->setupUi(this);
  Attach(ui_->fileList, ui_->addFilesButton, ui_->okButton);
}

CAddAudioFilesDlg::~CAddAudioFilesDlg() = default;

}  // namespace brenmark::gui
