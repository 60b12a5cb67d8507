#include "shell/win32/Win32UserPrompt.h"

#include <optional>
#include <utility>

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

class Win32UserPrompt::JobWindowPrompt final : public UserPrompt {
 public:
  JobWindowPrompt(Win32UserPrompt& prompt, HWND window, std::string title)
      : prompt_(prompt), window_(window), title_(std::move(title)) {}

  void ShowMessage(const std::string& text, MessageIcon icon) override { Show(text, MB_OK | IconStyle(icon)); }
  bool AskYesNo(const std::string& text) override { return Show(text, MB_YESNO | MB_ICONQUESTION) == IDYES; }
  bool AskBeforeReplacing(const std::string& text) override {
    return Show(text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  }
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override {
    if (choices.size() != 2) return UserPrompt::AskChoice(text, choices);
    const int answer = Show(text, MB_YESNOCANCEL | MB_ICONQUESTION, &choices);
    return answer == IDYES ? 0 : answer == IDNO ? 1 : -1;
  }

 private:
  // `buttonNames`, if any, name Yes and No.
  int Show(const std::string& text, UINT style, const std::vector<std::string>* buttonNames = nullptr) {
    int answer = 0;
    prompt_.ui_.Call([&] {
      if (prompt_.dismissed_) return;
      // A box belongs to a window the user can see: a hidden job window comes back.
      const HWND owner = IsWindow(window_) ? window_ : prompt_.owner_.load();
      if (owner == window_ && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOW);
      std::optional<NameNextBoxButtons> named;
      if (buttonNames != nullptr) named.emplace((*buttonNames)[0], (*buttonNames)[1]);
      answer = ShowMessageBox(owner, text, style, title_);
    });
    return answer;
  }

  Win32UserPrompt& prompt_;
  HWND window_;
  std::string title_;
};

std::shared_ptr<UserPrompt> Win32UserPrompt::ForJob(HWND jobWindow, const std::string& title) {
  return std::make_shared<JobWindowPrompt>(*this, jobWindow, title);
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
