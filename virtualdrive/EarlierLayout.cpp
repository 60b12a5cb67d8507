#include "virtualdrive/EarlierLayout.h"

#include <system_error>

#include "platform/PrivateFolder.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEarlierFolder = "virtual-recorders";
constexpr const char* kEntries[] = {"virtual-cd", "virtual-dvd", "burned discs"};

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

void MoveEarlierLayoutUp(const fs::path& folder) {
  const fs::path earlier = folder / kEarlierFolder;
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(earlier, error))) return;
  for (const char* name : kEntries) {
    if (Exists(folder / name)) return;
  }
  if (!platform::CheckPrivateFolder(folder, false).empty() || !platform::CheckPrivateFolder(earlier, false).empty()) {
    return;
  }
  for (const char* name : kEntries) {
    if (Exists(earlier / name)) fs::rename(earlier / name, folder / name, error);
  }
  // A folder still holding something (a user's own file, an entry that did
  // not move) is left in place, not replaced by the link.
  if (fs::remove(earlier, error)) fs::create_directory_symlink(".", earlier, error);
}

}  // namespace brenmark::virtualdrive
