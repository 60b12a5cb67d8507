#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace brenmark::platform {

enum class FileKind : std::uint8_t {
  Regular,
  Directory,
  // A symbolic link whose target cannot be reached (missing, or a loop of links).
  UnresolvedLink,
  // Anything else: a named pipe, a device, a socket.
  Other,
};

// What the engine keeps of one file system entry.
struct FileStatus {
  FileKind kind = FileKind::Regular;
  std::uint64_t size = 0;         // bytes; 0 for directories
  std::int64_t creationTime = 0;  // seconds since 1970: birth time where known, else last write
  std::uint64_t device = 0;       // identity of the entry, used to notice folder loops
  std::uint64_t inode = 0;

  bool isDirectory() const { return kind == FileKind::Directory; }
};

// The status of a path, following symbolic links; a link whose target cannot
// be reached is reported as an UnresolvedLink. Empty when the path does not
// exist or cannot be examined; `error` (when given) then says why.
std::optional<FileStatus> ReadFileStatus(const std::filesystem::path& path,
                                         std::string* error = nullptr);

}  // namespace brenmark::platform
