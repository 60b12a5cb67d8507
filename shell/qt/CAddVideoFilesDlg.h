#pragma once

#include <memory>

#include "shell/qt/SourceFilesDlg.h"

namespace Ui {
class CAddVideoFilesDlg;
}

namespace brenmark::gui {

// The list of MPEG-1 files for a Video CD, the first item becoming track 2.
class CAddVideoFilesDlg final : public SourceFilesDlg {
  Q_OBJECT

 public:
  CAddVideoFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles, std::string& dialogFolder,
                    QWidget* parent = nullptr);
  ~CAddVideoFilesDlg() override;

 private:
  std::unique_ptr<Ui::CAddVideoFilesDlg> ui_;
};

}  // namespace brenmark::gui
