#pragma once

#include <memory>

#include "shell/qt/SourceFilesDlg.h"

namespace Ui {
class CAddAudioFilesDlg;
}

namespace brenmark::gui {

// The list of WAV files for an audio CD, the first item becoming track 1.
class CAddAudioFilesDlg final : public SourceFilesDlg {
  Q_OBJECT

 public:
  CAddAudioFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles, std::string& dialogFolder,
                    QWidget* parent = nullptr);
  ~CAddAudioFilesDlg() override;

 private:
  std::unique_ptr<Ui::CAddAudioFilesDlg> ui_;
};

}  // namespace brenmark::gui
