#pragma once

#include <string>

#include "shell/desktop/TrayDialogLogic.h"
#include "shell/desktop/TrayView.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The tray of a virtual recorder: draws what the shared tray logic decides
// and forwards the buttons to it.
class CTrayDlg final : public ModalDialog, private desktop::TrayView {
 public:
  CTrayDlg(virtualdrive::VirtualRecorder& recorder, std::string driveName, VirtualTrays& trays,
           FileChooser& files, UserPrompt& prompt)
      : driveName_(std::move(driveName)), files_(files), prompt_(prompt), logic_(recorder, trays, prompt, *this) {}

  void Show(HWND owner);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  // The view the logic draws on.
  void ShowContents(const std::string& text) override;
  void ShowBlankSizes(const std::vector<std::string>& sizes, int selected) override;
  int ChosenBlankSize() const override;
  void ShowNote(const std::string& text) override;
  std::optional<std::string> ChooseDiscImage() override;
  void OpenFolder(const std::filesystem::path& folder) override;

  std::string driveName_;
  FileChooser& files_;
  UserPrompt& prompt_;
  desktop::TrayDialogLogic logic_;
};

}  // namespace brenmark::win32
