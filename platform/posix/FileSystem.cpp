#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/posix/OsError.h"

namespace brenmark::platform {

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = LastOsErrorText();
  return false;
}

bool RenameFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  // File systems that cannot rename without replacing: a second name, which
  // is refused when the name is taken, then the first one removed.
  if (errno == EINVAL || errno == ENOSYS) {
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return true;
    }
  }
  error = LastOsErrorText();
  return false;
}

bool RemoveFile(const std::filesystem::path& path, std::string& error) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  error = LastOsErrorText();
  return false;
}

bool SyncFolder(const std::filesystem::path& folder, std::string& error) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (!ok) error = LastOsErrorText();
  if (fd >= 0) ::close(fd);
  return ok;
}

bool CanWriteInFolder(const std::filesystem::path& folder, std::string& error) {
  const std::filesystem::path probe = folder / (".write-test-" + std::to_string(::getpid()));
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 && errno != EEXIST) {
    error = LastOsErrorText();
    return false;
  }
  if (fd >= 0) ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::optional<std::uint64_t> AvailableSpace(const std::filesystem::path& folder, std::string& error) {
  struct statvfs system {};
  if (::statvfs(folder.c_str(), &system) != 0) {
    error = LastOsErrorText();
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(system.f_bavail) * system.f_frsize;
}

}  // namespace brenmark::platform
