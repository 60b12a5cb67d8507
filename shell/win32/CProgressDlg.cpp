#include "shell/win32/CProgressDlg.h"

#include <commctrl.h>

#include "platform/windows/WideText.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

CProgressDlg::CProgressDlg(HWND owner, const std::string& title, OpenFolder openFolder)
    : window_(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), owner, DialogProc,
                                 reinterpret_cast<LPARAM>(this))),
      openFolder_(std::move(openFolder)) {
  SetTitle(title);
}

CProgressDlg::~CProgressDlg() {
  if (IsWindow(window_)) DestroyWindow(window_);
}

void CProgressDlg::SetTitle(const std::string& title) {
  SetWindowTextW(window_, platform::WideFromUtf8(title).c_str());
}

void CProgressDlg::SetStatus(const std::string& text) {
  SetDlgItemTextW(window_, IDC_PROGRESS_STATUS, platform::WideFromUtf8(text).c_str());
}

void CProgressDlg::SetRange(std::int32_t maximum) {
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, maximum);
}

void CProgressDlg::SetPos(std::int32_t position) {
  SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void CProgressDlg::EnableClose(bool enabled) { EnableWindow(GetDlgItem(window_, IDOK), enabled); }

void CProgressDlg::ShowEnding(const std::string& line, const std::filesystem::path& image) {
  image_ = image;
  SetDlgItemTextW(window_, IDC_PROGRESS_RESULT, platform::WideFromUtf8(line).c_str());
  ShowWindow(GetDlgItem(window_, IDC_PROGRESS_RESULT), SW_SHOW);
  ShowWindow(GetDlgItem(window_, IDC_PROGRESS_IMAGE), image.empty() || !openFolder_ ? SW_HIDE : SW_SHOW);
}

void CProgressDlg::Show() {
  ShowWindow(window_, SW_SHOW);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

INT_PTR CALLBACK CProgressDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      return TRUE;
    case WM_COMMAND:
      // Close and the close box hide the window; the job goes on writing to it.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_PROGRESS_IMAGE) {
        const auto* dialog = reinterpret_cast<const CProgressDlg*>(GetWindowLongPtrW(window, DWLP_USER));
        if (dialog && dialog->openFolder_ && !dialog->image_.empty()) dialog->openFolder_(dialog->image_.parent_path());
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace brenmark::win32
