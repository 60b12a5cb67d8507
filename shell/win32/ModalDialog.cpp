#include "shell/win32/ModalDialog.h"

#include "platform/windows/WideText.h"
#include "shell/win32/WindowPlacement.h"

namespace brenmark::win32 {

INT_PTR ModalDialog::Run(HWND owner, int templateId) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void ModalDialog::SetItemText(int id, const std::string& utf8) const {
  SetDlgItemTextW(window_, id, platform::WideFromUtf8(utf8).c_str());
}

std::string ModalDialog::ItemText(int id) const { return WindowText(Item(id)); }

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::Utf8FromWide(text);
}

INT_PTR CALLBACK ModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    dialog->window_ = window;
    dialog->OnInit();
    CentreOverOwner(window);
    return TRUE;
  }
  auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  if (message == WM_NOTIFY) {
    dialog->OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  if (dialog->OnCommand(id, HIWORD(wParam))) return TRUE;
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(window, id);
    return TRUE;
  }
  return FALSE;
}

}  // namespace brenmark::win32
