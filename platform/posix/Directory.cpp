#include "platform/Directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <utility>

#include "platform/posix/FileStatusAt.h"
#include "platform/posix/OsError.h"

namespace brenmark::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

Directory::~Directory() { Close(); }

Directory::Directory(Directory&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), lastError_(std::move(other.lastError_)) {}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kNoHandle);
    lastError_ = std::move(other.lastError_);
  }
  return *this;
}

bool Directory::Open(const std::filesystem::path& path) {
  Close();
  handle_ = ::open(path.c_str(), kFolderFlags);
  if (isOpen()) return true;
  lastError_ = LastOsErrorText();
  return false;
}

bool Directory::OpenAt(const Directory& parent, const std::string& name) {
  Close();
  handle_ = ::openat(static_cast<int>(parent.handle_), name.c_str(), kFolderFlags);
  if (isOpen()) return true;
  lastError_ = LastOsErrorText();
  return false;
}

void Directory::Close() {
  if (isOpen()) ::close(static_cast<int>(std::exchange(handle_, kNoHandle)));
}

bool Directory::List(std::vector<std::string>& names) {
  names.clear();
  // The listing gets a descriptor of its own: closedir closes it, and this
  // folder stays open for the entries' own calls.
  const int listFd = ::openat(static_cast<int>(handle_), ".", kFolderFlags);
  DIR* folder = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (folder == nullptr) {
    lastError_ = LastOsErrorText();
    if (listFd >= 0) ::close(listFd);
    return false;
  }
  errno = 0;
  while (const dirent* entry = ::readdir(folder)) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names.emplace_back(name);
    errno = 0;
  }
  const bool complete = errno == 0;
  if (!complete) lastError_ = LastOsErrorText();
  ::closedir(folder);
  return complete;
}

std::optional<FileStatus> Directory::StatusOf(const std::string& name, std::string* error) const {
  return ReadFileStatusAt(static_cast<int>(handle_), name.c_str(), error);
}

}  // namespace brenmark::platform
