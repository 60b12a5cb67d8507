#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brenmark::datadisc {

// What the source tree keeps of one file system entry.
struct FileStatus {
  bool isDirectory = false;
  std::uint64_t size = 0;         // bytes; 0 for directories
  std::int64_t creationTime = 0;  // seconds since 1970: birth time, else last write
  std::uint64_t device = 0;       // identity of the entry, used to notice folder loops
  std::uint64_t inode = 0;
};

// Reads the status of a path, following symbolic links; a link whose target
// cannot be reached is reported as the link itself. Empty when the path does
// not exist or cannot be examined.
std::optional<FileStatus> ReadFileStatus(const std::string& path);

// The same for the entry `name` of the open folder `folderFd`.
std::optional<FileStatus> ReadFileStatusAt(int folderFd, const char* name);

}  // namespace brenmark::datadisc
