#include "datadisc/FileStatus.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace brenmark::datadisc {
namespace {

constexpr unsigned kWanted = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO;

FileStatus FromStatx(const struct statx& sx) {
  FileStatus status;
  status.isDirectory = S_ISDIR(sx.stx_mode);
  status.size = status.isDirectory ? 0 : sx.stx_size;
  const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0;
  status.creationTime = hasBirth ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
  status.device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
  status.inode = sx.stx_ino;
  return status;
}

std::optional<FileStatus> Query(int folderFd, const char* name) {
  struct statx sx {};
  if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT, kWanted, &sx) == 0) return FromStatx(sx);
  if (statx(folderFd, name, AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, kWanted, &sx) == 0) {
    return FromStatx(sx);
  }
  return std::nullopt;
}

}  // namespace

std::optional<FileStatus> ReadFileStatus(const std::string& path) {
  return Query(AT_FDCWD, path.c_str());
}

std::optional<FileStatus> ReadFileStatusAt(int folderFd, const char* name) {
  return Query(folderFd, name);
}

}  // namespace brenmark::datadisc
