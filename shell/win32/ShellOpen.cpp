#include "shell/win32/ShellOpen.h"

#include <shellapi.h>

#include "drive/UserPrompt.h"
#include "platform/Utf8Path.h"

namespace brenmark::win32 {

bool OpenWithShell(HWND owner, const std::filesystem::path& path, UserPrompt& prompt) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(owner, L"open", path.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  prompt.ShowMessage("Brenmark could not open " + platform::Utf8FromPath(std::filesystem::path(path).make_preferred()) +
                         ":\nno program to show it was found.",
                     MessageIcon::Warning);
  return false;
}

}  // namespace brenmark::win32
