#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/Directory.h"
#include "platform/posix/OsError.h"

namespace brenmark::platform {
namespace {

constexpr int kSourceFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Hands `put` what is left to write until all of it is written; false, with
// errno set, when a write fails (one that writes nothing is EIO).
template <typename Put>
bool WriteWhole(const void* data, std::size_t length, Put put) {
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t written = put(bytes, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;
      return false;
    }
    bytes += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), lastError_(std::move(other.lastError_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kNoHandle);
    lastError_ = std::move(other.lastError_);
  }
  return *this;
}

bool File::Fail() const {
  lastError_ = LastOsErrorText();
  return false;
}

bool File::OpenForReading(const std::filesystem::path& path) {
  Close();
  handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return isOpen() || Fail();
}

bool File::OpenOwnForReading(const std::filesystem::path& path) {
  Close();
  handle_ = ::open(path.c_str(), kSourceFlags | O_NOFOLLOW);
  if (!isOpen()) {
    const bool linkInPlace = errno == ELOOP;
    Fail();
    if (linkInPlace) lastError_ += " (a symbolic link stands in its place and is not followed)";
    return false;
  }
  const std::optional<FileStatus> status = Status();
  if (status && status->kind == FileKind::Regular) return true;
  if (status) lastError_ = "not a regular file";
  Close();
  return false;
}

bool File::OpenSource(const std::filesystem::path& path) {
  Close();
  handle_ = ::open(path.c_str(), kSourceFlags);
  return isOpen() || Fail();
}

bool File::OpenSourceAt(const Directory& folder, const std::string& name) {
  Close();
  handle_ = ::openat(static_cast<int>(folder.handle_), name.c_str(), kSourceFlags);
  return isOpen() || Fail();
}

bool File::OpenForWriting(const std::filesystem::path& path, bool truncate) {
  Close();
  handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0644);
  return isOpen() || Fail();
}

bool File::CreateNew(const std::filesystem::path& path) {
  Close();
  handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  return isOpen() || Fail();
}

bool File::OpenForAppending(const std::filesystem::path& path) {
  Close();
  // Without blocking, so that a named pipe put there cannot hold the caller.
  handle_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (!isOpen()) return Fail();
  struct stat info {};
  if (::fstat(static_cast<int>(handle_), &info) != 0) {
    Fail();
    Close();
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    Close();
    lastError_ = "not a regular file";
    return false;
  }
  return true;
}

bool File::OpenForWritingNoFollow(const std::filesystem::path& path, NoFollowOpening how) {
  Close();
  // Without blocking, so that a named pipe or a device standing at the path
  // cannot hold the caller; it makes no difference to a regular file.
  int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  if (how == NoFollowOpening::CreateOrKeep) flags |= O_CREAT;
  if (how == NoFollowOpening::CreateNew) flags |= O_CREAT | O_EXCL;
  handle_ = ::open(path.c_str(), flags, 0600);
  if (isOpen()) return true;
  const bool linkInPlace = errno == ELOOP || errno == EEXIST;
  Fail();
  struct stat entry {};
  if (linkInPlace && ::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) {
    lastError_ += " (a symbolic link stands in its place and is not followed)";
  }
  return false;
}

bool File::Close() {
  if (!isOpen()) return true;
  const int fd = static_cast<int>(std::exchange(handle_, kNoHandle));
  // The descriptor is gone after close even when it reports an error; it is
  // never closed twice.
  return ::close(fd) == 0 || Fail();
}

std::int64_t File::Read(void* data, std::size_t length) {
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::read(static_cast<int>(handle_), bytes + done, length - done);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      // A source opened without blocking that has nothing to give ends here.
      if (errno == EAGAIN && done > 0) break;
      Fail();
      return -1;
    }
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::ReadAt(std::int64_t offset, void* data, std::size_t length) {
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t got = ::pread(static_cast<int>(handle_), bytes + done, length - done,
                                static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail();
      return -1;
    }
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool File::WriteAt(std::int64_t offset, const void* data, std::size_t length) {
  return WriteWhole(data, length, [this, &offset](const char* bytes, std::size_t left) {
    const ssize_t put = ::pwrite(static_cast<int>(handle_), bytes, left, static_cast<off_t>(offset));
    if (put > 0) offset += put;
    return put;
  }) || Fail();
}

bool File::Append(const void* data, std::size_t length) {
  return WriteWhole(data, length, [this](const char* bytes, std::size_t left) {
    return ::write(static_cast<int>(handle_), bytes, left);
  }) || Fail();
}

bool File::Resize(std::int64_t size) {
  return ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0 || Fail();
}

bool File::Sync() { return ::fsync(static_cast<int>(handle_)) == 0 || Fail(); }

std::optional<FileStatus> File::Status() const {
  struct stat info {};
  if (::fstat(static_cast<int>(handle_), &info) != 0) {
    Fail();
    return std::nullopt;
  }
  FileStatus status;
  status.kind = S_ISDIR(info.st_mode)   ? FileKind::Directory
                : S_ISREG(info.st_mode) ? FileKind::Regular
                                        : FileKind::Other;
  status.size = status.kind == FileKind::Directory ? 0 : static_cast<std::uint64_t>(info.st_size);
  status.creationTime = info.st_mtime;
  status.device = info.st_dev;
  status.inode = info.st_ino;
  return status;
}

void File::AdviseSequential() {
  ::posix_fadvise(static_cast<int>(handle_), 0, 0, POSIX_FADV_SEQUENTIAL);
}

}  // namespace brenmark::platform

namespace brenmark::platform {

File::LockAttempt File::TryLockExclusiveAt(std::int64_t offset) {
  // A write lock on one byte, owned by the open file description (not
  // the process, so another open in this process is refused too). It is the
  // lock the Windows program's LockFileEx becomes when it runs under Wine: the
  // wineserver holds the same range as a POSIX record lock, and the two kinds
  // exclude each other, so both programs honour one lock on a shared folder.
  struct flock oneByte {};
  oneByte.l_type = F_WRLCK;
  oneByte.l_whence = SEEK_SET;
  oneByte.l_start = static_cast<off_t>(offset);
  oneByte.l_len = 1;
  if (::fcntl(static_cast<int>(handle_), F_OFD_SETLK, &oneByte) == 0) return LockAttempt::Locked;
  if (errno == EAGAIN || errno == EACCES) return LockAttempt::Busy;
  Fail();
  return LockAttempt::Failed;
}

}  // namespace brenmark::platform

namespace brenmark::platform {

EntryAtPath LookAtEntry(const std::filesystem::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return EntryAtPath::Nothing;
  if (S_ISLNK(info.st_mode)) return EntryAtPath::Link;
  return S_ISREG(info.st_mode) ? EntryAtPath::RegularFile : EntryAtPath::Other;
}

}  // namespace brenmark::platform
