#include "platform/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/OsError.h"

namespace brenmark::platform {

std::string CheckPrivateFolder(const std::filesystem::path& folder, bool linkAllowed) {
  struct stat entry {};
  if (::lstat(folder.c_str(), &entry) != 0) {
    if (errno == ENOENT) return {};
    return folder.string() + ": " + LastOsErrorText();
  }
  FolderOwnership facts;
  facts.isLink = S_ISLNK(entry.st_mode);
  if (facts.isLink && linkAllowed && ::stat(folder.c_str(), &entry) != 0) {
    return folder.string() + ": " + LastOsErrorText();
  }
  facts.isFolder = S_ISDIR(entry.st_mode);
  facts.owner = entry.st_uid;
  facts.mode = entry.st_mode & 07777;
  return PrivateFolderProblem(folder.string(), facts, ::geteuid(), linkAllowed);
}

bool CreatePrivateFolders(const std::filesystem::path& folder, std::string& error) {
  // The missing folders, innermost first, then made outermost first.
  std::vector<std::filesystem::path> missing;
  struct stat entry {};
  for (std::filesystem::path at = folder; !at.empty() && ::stat(at.c_str(), &entry) != 0;
       at = at.parent_path()) {
    if (errno != ENOENT) break;
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
      error = "cannot create " + it->string() + ": " + LastOsErrorText();
      return false;
    }
  }
  if (::stat(folder.c_str(), &entry) != 0) {
    error = "cannot create " + folder.string() + ": " + LastOsErrorText();
    return false;
  }
  if (!S_ISDIR(entry.st_mode)) {
    error = folder.string() + " is not a folder";
    return false;
  }
  return true;
}

}  // namespace brenmark::platform
