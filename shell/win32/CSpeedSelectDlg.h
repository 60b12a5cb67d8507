#pragma once

#include <string>
#include <vector>

#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The speed dialog: the speed texts given (fastest first, the first one
// selected), "Burn" and "Cancel".
class CSpeedSelectDlg final : public ModalDialog {
 public:
  explicit CSpeedSelectDlg(std::vector<std::string> entries) : entries_(std::move(entries)) {}

  // True for "Burn"; `selected` is then the chosen entry, or -1 for none.
  bool Choose(HWND owner, int& selected);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  std::vector<std::string> entries_;
  int selected_ = -1;
};

}  // namespace brenmark::win32
