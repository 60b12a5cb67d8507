#include "platform/DataFolder.h"

#include <cstdlib>
#include <system_error>

namespace brenmark::platform {

namespace fs = std::filesystem;

// The user's local (not roaming) application data folder; the roaming one on
// systems that name no local one; the temporary folder when neither is set.
fs::path ApplicationDataFolder() {
  for (const wchar_t* variable : {L"LOCALAPPDATA", L"APPDATA"}) {
    const wchar_t* value = _wgetenv(variable);
    if (value != nullptr && fs::path(value).is_absolute()) return fs::path(value) / L"Brenmark";
  }
  std::error_code ignored;
  return fs::temp_directory_path(ignored) / L"Brenmark";
}

const char* ApplicationDataFolderDescription() { return "%LOCALAPPDATA%\\Brenmark"; }

}  // namespace brenmark::platform
