#include "jobs/grab/OutputFolder.h"

#include <algorithm>
#include <regex>
#include <system_error>

#include "audio/OutputFile.h"
#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"

namespace brenmark::audio {

namespace fs = std::filesystem;

namespace {

// The folders of `folder` that are missing, innermost first, up to the first
// entry that exists, which `existing` is set to (empty when none above a
// relative path's first part exists).
std::vector<fs::path> MissingFolders(const fs::path& folder, fs::path& existing) {
  std::vector<fs::path> missing;
  existing = folder;
  std::error_code error;
  while (!existing.empty() && !fs::exists(fs::symlink_status(existing, error))) {
    missing.push_back(existing);
    if (existing.parent_path() == existing) break;
    existing = existing.parent_path();
  }
  if (!missing.empty() && existing == missing.back()) existing.clear();
  return missing;
}

}  // namespace

std::string WhyFolderCannotBeMade(const fs::path& folder) {
  fs::path existing;
  MissingFolders(folder, existing);
  std::error_code error;
  if (existing.empty() || fs::is_directory(existing, error)) return {};
  return platform::Utf8FromPath(existing) + " is not a folder";
}

bool CreateOutputFolder(const fs::path& folder, std::string& reason) {
  fs::path existing;
  const std::vector<fs::path> missing = MissingFolders(folder, existing);
  reason = WhyFolderCannotBeMade(folder);
  if (!reason.empty()) return false;
  std::error_code error;
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

std::vector<std::string> LeftoverPartFiles(const fs::path& folder) {
  static const std::regex kPartName(R"(track\d\d(\.incomplete)?\.(wav|mp3)\.part-[0-9a-f]{8})");
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    const std::string name = platform::Utf8FromPath(entry->path().filename());
    // The temporary files of a grab running now are its own, not leftovers.
    if (std::regex_match(name, kPartName) && !IsOwnedPart(entry->path())) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace brenmark::audio
