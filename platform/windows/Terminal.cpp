#include "platform/Terminal.h"

#include <io.h>
#include <windows.h>

#include <string>

#include "platform/windows/WideText.h"

namespace brenmark::platform {

// A console, not a pipe, a file or the null device (which are character
// devices too).
bool IsTerminal(std::FILE* stream) {
  if (stream == nullptr) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode);
}

void UseUtf8Terminal() {
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
}

// The console's byte output depends on its code page and on how the runtime
// splits a character's bytes between writes; its wide output shows every
// character. What the stream still buffers goes first, to keep the order.
void WriteText(std::FILE* stream, std::string_view utf8) {
  if (!IsTerminal(stream)) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    return;
  }
  std::fflush(stream);
  const std::wstring wide = WideFromUtf8(utf8);
  const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

}  // namespace brenmark::platform
