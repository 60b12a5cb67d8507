#pragma once

#include <memory>

#include "jobs/DiscAtOnce.h"
#include "shell/qt/SourceFilesDlg.h"

namespace Ui {
class CAddAudioFilesDlg;
}

namespace brenmark::gui {

// The list of WAV files for an audio CD, the first item becoming track 1,
// and whether the disc is written at once with no gaps, with the album title
// and performer as its CD-TEXT (the fields are used only for a disc at once).
class CAddAudioFilesDlg final : public SourceFilesDlg {
  Q_OBJECT

 public:
  CAddAudioFilesDlg(FileBrowser& files, std::vector<std::string>& sourceFiles, std::string& dialogFolder,
                    DiscAtOnce& discAtOnce, QWidget* parent = nullptr);
  ~CAddAudioFilesDlg() override;

 private:
  std::unique_ptr<Ui::CAddAudioFilesDlg> ui_;
};

}  // namespace brenmark::gui
