#include "shell/win32/JobEndMessage.h"

#include "shell/win32/Win32UserPrompt.h"

namespace brenmark::win32 {

void JobEndMessage::TellJobEnded(const std::string& summary, const std::string& body) {
  ShowMessageBox(nullptr, body, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST, summary);
}

}  // namespace brenmark::win32
