#include "platform/FileStatus.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/posix/FileStatusAt.h"
#include "platform/posix/OsError.h"

namespace brenmark::platform {
namespace {

constexpr unsigned kWanted = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO;

FileStatus FromStatx(const struct statx& sx, bool followed) {
  FileStatus status;
  if (S_ISDIR(sx.stx_mode)) {
    status.kind = FileKind::Directory;
  } else if (S_ISREG(sx.stx_mode)) {
    status.kind = FileKind::Regular;
  } else if (S_ISLNK(sx.stx_mode) && !followed) {
    status.kind = FileKind::UnresolvedLink;
  } else if (S_ISFIFO(sx.stx_mode)) {
    status.kind = FileKind::NamedPipe;
  } else if (S_ISSOCK(sx.stx_mode)) {
    status.kind = FileKind::Socket;
  } else if (S_ISCHR(sx.stx_mode) || S_ISBLK(sx.stx_mode)) {
    status.kind = FileKind::Device;
  } else {
    status.kind = FileKind::Other;
  }
  status.size = status.kind == FileKind::Directory ? 0 : sx.stx_size;
  const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0;
  status.creationTime = hasBirth ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
  status.device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
  status.inode = sx.stx_ino;
  return status;
}

}  // namespace

// The entry itself first: one call for all but links, whose target takes a second.
std::optional<FileStatus> ReadFileStatusAt(int folderFd, const char* name, std::string* error) {
  struct statx entry {};
  if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kWanted, &entry) != 0) {
    if (error != nullptr) *error = LastOsErrorText();
    return std::nullopt;
  }
  if (!S_ISLNK(entry.stx_mode)) return FromStatx(entry, true);
  struct statx target {};
  FileStatus status;
  if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT, kWanted, &target) == 0) {
    status = FromStatx(target, true);
  } else {
    // The link itself exists, its target does not (or cannot be reached).
    if (error != nullptr) *error = LastOsErrorText();
    status = FromStatx(entry, false);
  }
  status.throughLink = true;
  return status;
}

std::optional<FileStatus> ReadFileStatus(const std::filesystem::path& path, std::string* error) {
  return ReadFileStatusAt(AT_FDCWD, path.c_str(), error);
}

}  // namespace brenmark::platform
