#include "platform/Environment.h"

#include <cstdlib>

namespace brenmark::platform {

std::filesystem::path PathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::filesystem::path() : std::filesystem::path(value);
}

}  // namespace brenmark::platform
