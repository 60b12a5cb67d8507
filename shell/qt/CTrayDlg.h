#pragma once

#include <QDialog>

#include <memory>

#include "shell/desktop/TrayDialogLogic.h"
#include "shell/desktop/TrayView.h"

namespace Ui {
class CTrayDlg;
}

namespace brenmark {
class UserPrompt;
class VirtualTrays;
namespace virtualdrive {
class VirtualRecorder;
}
}  // namespace brenmark

namespace brenmark::gui {

class FileBrowser;

// The tray of a virtual recorder: draws what the shared tray logic decides
// and forwards the buttons to it.
class CTrayDlg final : public QDialog, private desktop::TrayView {
  Q_OBJECT

 public:
  CTrayDlg(virtualdrive::VirtualRecorder& recorder, const QString& driveName,
           VirtualTrays& trays, FileBrowser& files, UserPrompt& prompt,
           QWidget* parent = nullptr);
  ~CTrayDlg() override;

 private:
  // The view the logic draws on.
  void ShowContents(const std::string& text) override;
  void ShowBlankSizes(const std::vector<std::string>& sizes, int selected) override;
  int ChosenBlankSize() const override;
  void ShowNote(const std::string& text) override;
  std::optional<std::string> ChooseDiscImage() override;
  void OpenFolder(const std::filesystem::path& folder) override;

  std::unique_ptr<Ui::CTrayDlg> ui_;
  FileBrowser& files_;
  UserPrompt& prompt_;
  desktop::TrayDialogLogic logic_;
};

}  // namespace brenmark::gui
