#include "shell/win32/CProgressDlg.h"

#include <commctrl.h>

#include "platform/windows/WideText.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

namespace {

// Marks the progress windows for the modal loop's key hook.
constexpr wchar_t kProgressWindowMark[] = L"BrenmarkProgressWindow";

// The hook that serves this thread's progress windows, and how many exist.
thread_local HHOOK modalLoopHook = nullptr;
thread_local int progressWindows = 0;

}  // namespace

CProgressDlg::CProgressDlg(HWND owner, const std::string& title, OpenFolder openFolder, StopJob stopJob)
    : window_(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), owner, DialogProc,
                                 reinterpret_cast<LPARAM>(this))),
      openFolder_(std::move(openFolder)),
      stopJob_(std::move(stopJob)) {
  SetTitle(title);
  if (!stopJob_) ShowWindow(GetDlgItem(window_, IDC_PROGRESS_STOP), SW_HIDE);
  SetPropW(window_, kProgressWindowMark, window_);
  if (progressWindows++ == 0) {
    modalLoopHook = SetWindowsHookExW(WH_MSGFILTER, ModalLoopKeys, nullptr, GetCurrentThreadId());
  }
}

CProgressDlg::~CProgressDlg() {
  if (IsWindow(window_)) {
    RemovePropW(window_, kProgressWindowMark);
    DestroyWindow(window_);
  }
  if (--progressWindows == 0 && modalLoopHook) {
    UnhookWindowsHookEx(modalLoopHook);
    modalLoopHook = nullptr;
  }
}

LRESULT CALLBACK CProgressDlg::ModalLoopKeys(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX) {
    MSG* message = reinterpret_cast<MSG*>(lParam);
    const HWND root = message->hwnd ? GetAncestor(message->hwnd, GA_ROOT) : nullptr;
    if (root && GetPropW(root, kProgressWindowMark) && IsDialogMessageW(root, message)) return TRUE;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
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

void CProgressDlg::SetNotices(const std::string& text) {
  // The notices' box lies below the window's first size: the window grows to
  // show it once the first notice comes.
  const HWND notices = GetDlgItem(window_, IDC_PROGRESS_NOTICES);
  if ((GetWindowLongW(notices, GWL_STYLE) & WS_VISIBLE) == 0 && !text.empty()) {
    RECT box{};
    GetWindowRect(notices, &box);
    RECT frame{};
    GetWindowRect(window_, &frame);
    RECT margin{0, 0, 0, 7};
    MapDialogRect(window_, &margin);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, box.bottom - frame.top + margin.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(notices, SW_SHOWNA);
  }
  // An edit control breaks lines at CR LF only.
  std::string lines;
  for (const char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  SetDlgItemTextW(window_, IDC_PROGRESS_NOTICES, platform::WideFromUtf8(lines).c_str());
  // The latest notice in view.
  SendMessageW(notices, EM_LINESCROLL, 0, SendMessageW(notices, EM_GETLINECOUNT, 0, 0));
}

void CProgressDlg::ShowEnding(const std::string& line, const std::filesystem::path& folder) {
  folder_ = folder;
  ShowWindow(GetDlgItem(window_, IDC_PROGRESS_STOP), SW_HIDE);
  SetDlgItemTextW(window_, IDC_PROGRESS_RESULT, platform::WideFromUtf8(line).c_str());
  ShowWindow(GetDlgItem(window_, IDC_PROGRESS_RESULT), SW_SHOW);
  ShowWindow(GetDlgItem(window_, IDC_PROGRESS_IMAGE), folder.empty() || !openFolder_ ? SW_HIDE : SW_SHOW);
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
      if (LOWORD(wParam) == IDC_PROGRESS_STOP) {
        const auto* dialog = reinterpret_cast<const CProgressDlg*>(GetWindowLongPtrW(window, DWLP_USER));
        if (dialog && dialog->stopJob_) dialog->stopJob_();
        return TRUE;
      }
      if (LOWORD(wParam) == IDC_PROGRESS_IMAGE) {
        const auto* dialog = reinterpret_cast<const CProgressDlg*>(GetWindowLongPtrW(window, DWLP_USER));
        if (dialog && dialog->openFolder_ && !dialog->folder_.empty()) dialog->openFolder_(dialog->folder_);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace brenmark::win32
