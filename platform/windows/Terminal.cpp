#include "platform/Terminal.h"

#include <io.h>
#include <windows.h>

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

}  // namespace brenmark::platform
