#include "platform/Environment.h"

#include <cstdlib>

#include "platform/windows/WideText.h"

namespace brenmark::platform {

// Read in UTF-16, as the narrow environment holds only the code page's characters.
std::filesystem::path PathFromEnvironment(const char* name) {
  const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
  return value == nullptr ? std::filesystem::path() : std::filesystem::path(value);
}

}  // namespace brenmark::platform
