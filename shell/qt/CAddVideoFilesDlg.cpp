#include "shell/qt/CAddVideoFilesDlg.h"

#include "ui_CAddVideoFilesDlg.h"

namespace brenmark::gui {

CAddVideoFilesDlg::CAddVideoFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles,
                                     std::string& dialogFolder, QWidget* parent)
    : SourceFilesDlg(files, QStringLiteral("MPEG1 Files (*.mpg)"), desktop::JobKind::VideoCd, sourceFiles,
                     dialogFolder, parent),
      ui_(new Ui::CAddVideoFilesDlg) {
  ui_->setupUi(this);
  Attach(ui_->fileList, ui_->addFilesButton, ui_->okButton);
}

CAddVideoFilesDlg::~CAddVideoFilesDlg() = default;

}  // namespace brenmark::gui
