#include "platform/Directory.h"

#include <utility>

#include "platform/windows/HandleStatus.h"
#include "platform/windows/OpenFolder.h"
#include "platform/windows/WideText.h"

namespace brenmark::platform {

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
  OpenFolder* folder = OpenFolder::Open(ExtendedPath(path), lastError_);
  if (folder == nullptr) return false;
  handle_ = reinterpret_cast<std::intptr_t>(folder);
  return true;
}

bool Directory::OpenAt(const Directory& parent, const std::string& name) {
  Close();
  OpenFolder* folder = OpenFolder::Open(OpenFolder::Of(parent.handle_).EntryPath(name), lastError_);
  if (folder == nullptr) return false;
  handle_ = reinterpret_cast<std::intptr_t>(folder);
  return true;
}

// Windows mounts no file system that describes the running system.
std::string Directory::PseudoFileSystem() const { return {}; }

void Directory::Close() {
  if (isOpen()) delete &OpenFolder::Of(std::exchange(handle_, kNoHandle));
}

bool Directory::List(std::vector<std::string>& names) {
  names.clear();
  const std::wstring pattern = OpenFolder::Of(handle_).path + L"\\*";
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty folder still lists "." and ".."; no entry at all is a failure.
    lastError_ = LastSystemErrorText();
    return false;
  }
  bool complete = true;
  do {
    const std::wstring_view name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(Utf8FromWide(name));
  } while (FindNextFileW(search, &entry));
  if (GetLastError() != ERROR_NO_MORE_FILES) {
    lastError_ = LastSystemErrorText();
    complete = false;
  }
  FindClose(search);
  return complete;
}

std::optional<FileStatus> Directory::StatusOf(const std::string& name, std::string* error) const {
  return StatusOfExtendedPath(OpenFolder::Of(handle_).EntryPath(name), error);
}

}  // namespace brenmark::platform
