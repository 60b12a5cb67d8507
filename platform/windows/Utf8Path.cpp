#include "platform/Utf8Path.h"

#include <cwctype>
#include <string>

#include "platform/windows/WideText.h"

namespace brenmark::platform {
namespace {

// "\\?\C:\..." and "\\?\UNC\server\share\..." name what "C:\..." and
// "\\server\share\..." name: the prefix only turns off the system's rewriting
// of names, which every file call here turns off anyway (they all open the
// extended path). The plain form is what the standard library understands;
// it takes "\\?\" for a relative path and puts the current drive before it.
std::wstring WithoutExtendedPrefix(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  // The system takes "UNC" in any letter case.
  std::wstring kind = path.substr(0, 8);
  for (wchar_t& c : kind) c = static_cast<wchar_t>(std::towupper(c));
  if (kind == L"\\\\?\\UNC\\") return L"\\\\" + path.substr(8);
  const bool drivePath = path.size() >= 6 && path.compare(0, 4, L"\\\\?\\") == 0 && path[5] == L':' &&
                         ((path[4] >= L'A' && path[4] <= L'Z') || (path[4] >= L'a' && path[4] <= L'z'));
  if (drivePath) return path.substr(4);
  return path;
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(WithoutExtendedPrefix(WideFromUtf8(utf8)));
}

// Backslashes throughout, whatever mix the path was put together from, so
// that every message names paths in the one style of the system.
std::string Utf8FromPath(const std::filesystem::path& path) {
  std::wstring text = path.wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return Utf8FromWide(text);
}

}  // namespace brenmark::platform
