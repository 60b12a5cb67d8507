#include "jobs/grab/OutputFolder.h"

#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace brenmark::audio {

namespace fs = std::filesystem;

bool CreateOutputFolder(const fs::path& folder, std::string& reason) {
  // The missing folders, innermost first, up to the first entry that exists.
  std::vector<fs::path> missing;
  fs::path at = folder;
  std::error_code error;
  while (!at.empty() && !fs::exists(fs::symlink_status(at, error))) {
    missing.push_back(at);
    if (at.parent_path() == at) break;
    at = at.parent_path();
  }
  // `at` is the nearest entry that exists; none above a relative path's first part.
  if (!missing.empty() && at == missing.back()) at.clear();
  if (!at.empty() && !fs::is_directory(at, error)) {
    reason = platform::Utf8FromPath(at) + " is not a folder";
    return false;
  }
  for (auto place = missing.rbegin(); place != missing.rend(); ++place) {
    if (!fs::create_directory(*place, error) && !fs::is_directory(*place)) {
      reason = platform::Utf8FromPath(*place) + ": " + error.message();
      return false;
    }
    // Its entry is made durable, as the names of the files grabbed into it will be.
    const fs::path parent = place->has_parent_path() ? place->parent_path() : fs::path(".");
    std::string syncError;
    if (!platform::SyncFolder(parent, syncError)) {
      reason = platform::Utf8FromPath(parent) + ": " + syncError;
      return false;
    }
  }
  return true;
}

}  // namespace brenmark::audio
