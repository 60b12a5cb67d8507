#pragma once

#include <string>
#include <vector>

#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The speed dialog: the speed texts given (fastest first, the first one
// selected), for a data disc the check box "Leave disc open for more
// sessions" (off), for every burn "Verify written data" (off), "Burn" and
// "Cancel".
class CSpeedSelectDlg final : public ModalDialog {
 public:
  // `burning`: the line above the speeds naming what is burned; entry
  // `initial` is selected as the dialog opens (the first where there is none).
  explicit CSpeedSelectDlg(std::vector<std::string> entries, bool offerLeaveDiscOpen = false, std::string burning = {},
                           int initial = 0)
      : entries_(std::move(entries)),
        offerLeaveDiscOpen_(offerLeaveDiscOpen),
        burning_(std::move(burning)),
        initial_(initial) {}

  // True for "Burn"; `selected` is then the chosen entry, or -1 for none.
  bool Choose(HWND owner, int& selected);
  // Whether "Burn" was pressed with the offered check box ticked.
  bool leaveDiscOpen() const { return leaveDiscOpen_; }
  // Whether "Burn" was pressed with "Verify written data" ticked.
  bool verify() const { return verify_; }

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;

  std::vector<std::string> entries_;
  bool offerLeaveDiscOpen_;
  std::string burning_;
  int initial_;
  int selected_ = -1;
  bool leaveDiscOpen_ = false;
  bool verify_ = false;
};

}  // namespace brenmark::win32
