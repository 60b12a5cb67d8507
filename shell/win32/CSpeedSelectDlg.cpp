#include "shell/win32/CSpeedSelectDlg.h"

#include "platform/windows/WideText.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

bool CSpeedSelectDlg::Choose(HWND owner, int& selected) {
  if (Run(owner, IDD_SPEED_SELECT) != IDOK) return false;
  selected = selected_;
  return true;
}

void CSpeedSelectDlg::OnInit() {
  for (const std::string& entry : entries_) {
    SendMessageW(Item(IDC_DRIVE_COMBO), CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::WideFromUtf8(entry).c_str()));
  }
  const bool held = initial_ >= 0 && static_cast<std::size_t>(initial_) < entries_.size();
  if (!entries_.empty()) SendMessageW(Item(IDC_DRIVE_COMBO), CB_SETCURSEL, held ? initial_ : 0, 0);
  if (offerLeaveDiscOpen_) ShowWindow(Item(IDC_LEAVE_OPEN), SW_SHOW);
  SetWindowTextW(Item(IDC_SPEED_BURNING), platform::WideFromUtf8(burning_).c_str());
  SetAccessibleNames(window(), {{IDC_DRIVE_COMBO, L"Burning Speed"}});
}

bool CSpeedSelectDlg::OnCommand(int id, int) {
  if (id == IDOK) {
    selected_ = static_cast<int>(SendMessageW(Item(IDC_DRIVE_COMBO), CB_GETCURSEL, 0, 0));
    leaveDiscOpen_ = offerLeaveDiscOpen_ && IsDlgButtonChecked(window(), IDC_LEAVE_OPEN) == BST_CHECKED;
    verify_ = IsDlgButtonChecked(window(), IDC_VERIFY) == BST_CHECKED;
  }
  return false;
}

}  // namespace brenmark::win32
