#include "shell/win32/CTrayDlg.h"

#include "platform/windows/WideText.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/ShellOpen.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

void CTrayDlg::Show(HWND owner) { Run(owner, IDD_TRAY); }

void CTrayDlg::OnInit() {
  SetItemText(IDC_TRAY_RECORDER, driveName_);
  logic_.Open();
  SetAccessibleNames(window(), {{IDC_TRAY_BLANK_SIZE, L"Blank Size"}});
}

bool CTrayDlg::OnCommand(int id, int) {
  switch (id) {
    case IDC_TRAY_INSERT_BLANK:
      logic_.InsertBlank();
      return true;
    case IDC_TRAY_INSERT_IMAGE:
      logic_.InsertImage();
      return true;
    case IDC_TRAY_INSERT_LAST:
      logic_.InsertLastBurned();
      return true;
    case IDC_TRAY_EJECT:
      logic_.Eject();
      return true;
    case IDC_TRAY_EMPTY:
      logic_.EmptyTray();
      return true;
    case IDC_TRAY_BURNED_DISCS:
      logic_.OpenBurnedDiscs();
      return true;
    default:
      return false;
  }
}

void CTrayDlg::ShowContents(const std::string& text) { SetItemText(IDC_TRAY_CONTENTS, text); }

void CTrayDlg::ShowBlankSizes(const std::vector<std::string>& sizes, int selected) {
  const HWND box = Item(IDC_TRAY_BLANK_SIZE);
  for (const std::string& size : sizes) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::WideFromUtf8(size).c_str()));
  }
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  ShowWindow(box, sizes.empty() ? SW_HIDE : SW_SHOW);
}

int CTrayDlg::ChosenBlankSize() const {
  return static_cast<int>(SendMessageW(Item(IDC_TRAY_BLANK_SIZE), CB_GETCURSEL, 0, 0));
}

void CTrayDlg::ShowNote(const std::string& text) { SetItemText(IDC_TRAY_NOTE, text); }

std::optional<std::string> CTrayDlg::ChooseDiscImage() { return files_.ChooseDiscImage(window()); }

void CTrayDlg::OpenFolder(const std::filesystem::path& folder) { OpenWithShell(window(), folder, prompt_); }

}  // namespace brenmark::win32
