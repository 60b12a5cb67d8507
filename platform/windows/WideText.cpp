#include "platform/windows/WideText.h"

#include <windows.h>

namespace brenmark::platform {

std::wstring WideFromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring ExtendedPath(const std::filesystem::path& path) {
  // The standard library takes "\\?\..." and "\\.\..." for relative paths
  // (and would put the current drive before them): they are kept as they are.
  std::wstring given = path.wstring();
  for (wchar_t& c : given) {
    if (c == L'/') c = L'\\';
  }
  if (given.rfind(L"\\\\?\\", 0) == 0 || given.rfind(L"\\\\.\\", 0) == 0) return given;
  // Nor does it know "\\server\share\...": the part after the two backslashes
  // is resolved as a relative path.
  if (given.rfind(L"\\\\", 0) == 0) {
    std::wstring shared = std::filesystem::path(given.substr(2)).lexically_normal().wstring();
    return L"\\\\?\\UNC\\" + shared;
  }
  // A relative path goes after the current folder, and only "." and ".." are
  // resolved: the system's own completion would also drop the dots and spaces
  // that end a name, and so open another entry than the one named.
  const bool besideCurrent = !path.has_root_name() && !path.has_root_directory();
  const std::filesystem::path whole = besideCurrent ? std::filesystem::current_path() / path : std::filesystem::absolute(path);
  std::wstring text = whole.lexically_normal().wstring();
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  return L"\\\\?\\" + text;
}

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  if (text.empty()) return "system error " + std::to_string(code);
  return Utf8FromWide(text);
}

std::string LastSystemErrorText() { return SystemErrorText(GetLastError()); }

}  // namespace brenmark::platform
