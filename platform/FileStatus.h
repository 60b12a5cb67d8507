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
  NamedPipe,
  Socket,
  Device,  // a character or block device
  // Anything else the system has.
  Other,
};

// "a named pipe", "a socket", "a device", ... for messages.
constexpr const char* FileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::Regular: return "a file";
    case FileKind::Directory: return "a folder";
    case FileKind::UnresolvedLink: return "a link whose target cannot be reached";
    case FileKind::NamedPipe: return "a named pipe";
    case FileKind::Socket: return "a socket";
    case FileKind::Device: return "a device";
    case FileKind::Other: break;
  }
  return "a special file";
}

// What the engine keeps of one file system entry.
struct FileStatus {
  FileKind kind = FileKind::Regular;
  std::uint64_t size = 0;         // bytes; 0 for directories
  std::int64_t creationTime = 0;  // seconds since 1970: birth time where known, else last write
  std::uint64_t device = 0;       // identity of the entry, used to notice folder loops
  std::uint64_t inode = 0;
  // The entry is a symbolic link (a reparse point on Windows) and the rest
  // describes its target.
  bool throughLink = false;

  bool isDirectory() const { return kind == FileKind::Directory; }
};

// The status of a path, following symbolic links; a link whose target cannot
// be reached is reported as an UnresolvedLink. Empty when the path does not
// exist or cannot be examined; `error` (when given) then says why.
std::optional<FileStatus> ReadFileStatus(const std::filesystem::path& path,
                                         std::string* error = nullptr);

}  // namespace brenmark::platform
