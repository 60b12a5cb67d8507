#include "shell/win32/Win32UserPrompt.h"

#include "platform/windows/WideText.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/win32/WindowPlacement.h"

namespace brenmark::win32 {

namespace {

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return MB_ICONERROR;
    case MessageIcon::Warning:
      return MB_ICONWARNING;
    case MessageIcon::Information:
      return MB_ICONINFORMATION;
    case MessageIcon::Plain:
      break;
  }
  return 0;
}

// While it lives, the Yes and No buttons of the next message box the calling
// thread activates carry the given names.
class NameNextBoxButtons {
 public:
  NameNextBoxButtons(const std::string& yes, const std::string& no) {
    yes_ = platform::WideFromUtf8(yes);
    no_ = platform::WideFromUtf8(no);
    hook_ = SetWindowsHookExW(WH_CBT, OnActivation, nullptr, GetCurrentThreadId());
  }
  ~NameNextBoxButtons() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }
  NameNextBoxButtons(const NameNextBoxButtons&) = delete;
  NameNextBoxButtons& operator=(const NameNextBoxButtons&) = delete;

 private:
  static LRESULT CALLBACK OnActivation(int code, WPARAM window, LPARAM details) {
    const HHOOK hook = hook_;
    if (code == HCBT_ACTIVATE && hook != nullptr) {
      const HWND box = reinterpret_cast<HWND>(window);
      SetDlgItemTextW(box, IDYES, yes_.c_str());
      SetDlgItemTextW(box, IDNO, no_.c_str());
      UnhookWindowsHookEx(hook);
      hook_ = nullptr;
    }
    return CallNextHookEx(hook, code, window, details);
  }
  // Per thread: the box is shown on the thread that names its buttons.
  static thread_local HHOOK hook_;
  static thread_local std::wstring yes_;
  static thread_local std::wstring no_;
};

thread_local HHOOK NameNextBoxButtons::hook_ = nullptr;
thread_local std::wstring NameNextBoxButtons::yes_;
thread_local std::wstring NameNextBoxButtons::no_;

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, UINT style, const std::string& title) {
  const CentreNextActivation centred(owner);
  return MessageBoxW(owner, platform::WideFromUtf8(text).c_str(),
                     platform::WideFromUtf8(title.empty() ? desktoptext::kApplicationName : title).c_str(), style);
}

int Win32UserPrompt::Show(const std::string& title, const std::string& text, UINT style) {
  int answer = 0;
  ui_.Call([&] {
    if (!dismissed_) answer = ShowMessageBox(owner_, text, style, title);
  });
  return answer;
}

void Win32UserPrompt::ShowMessage(const std::string& text, MessageIcon icon) { Show({}, text, MB_OK | IconStyle(icon)); }

void Win32UserPrompt::ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  Show(title, text, MB_OK | IconStyle(icon));
}

bool Win32UserPrompt::AskYesNo(const std::string& text) { return Show({}, text, MB_YESNO | MB_ICONERROR) == IDYES; }

int Win32UserPrompt::AskChoice(const std::string& text, const std::vector<std::string>& choices) {
  if (choices.size() != 2) return UserPrompt::AskChoice(text, choices);
  int answer = 0;
  ui_.Call([&] {
    if (dismissed_) return;
    const NameNextBoxButtons named(choices[0], choices[1]);
    answer = ShowMessageBox(owner_, text, MB_YESNOCANCEL | MB_ICONERROR);
  });
  return answer == IDYES ? 0 : answer == IDNO ? 1 : -1;
}

}  // namespace brenmark::win32
