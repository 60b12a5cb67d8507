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

}  // namespace brenmark::win32
