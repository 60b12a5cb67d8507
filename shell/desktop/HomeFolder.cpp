#include "shell/desktop/HomeFolder.h"

#include <cstdlib>

namespace brenmark::desktop {

std::string HomeFolder() {
  for (const char* name : {"HOME", "USERPROFILE"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

std::string ExpandHome(const std::string& typed, const std::string& home) {
  if (home.empty() || typed.empty() || typed[0] != '~') return typed;
  if (typed.size() == 1) return home;
  if (typed[1] != '/' && typed[1] != '\\') return typed;
  return home + typed.substr(1);
}

}  // namespace brenmark::desktop
