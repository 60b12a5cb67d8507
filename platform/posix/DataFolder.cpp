#include "platform/DataFolder.h"

#include <cstdlib>
#include <system_error>

namespace brenmark::platform {

namespace fs = std::filesystem;

fs::path ApplicationDataFolder() {
  fs::path base;
  if (const char* dataHome = std::getenv("XDG_DATA_HOME");
      dataHome != nullptr && fs::path(dataHome).is_absolute()) {
    base = dataHome;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = fs::path(home) / ".local" / "share";
  } else {
    std::error_code ignored;
    base = fs::temp_directory_path(ignored);
  }
  return base / "brenmark";
}

const char* ApplicationDataFolderDescription() { return "$XDG_DATA_HOME/brenmark, else ~/.local/share/brenmark"; }

}  // namespace brenmark::platform
