#include "virtualdrive/SectorFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace brenmark::virtualdrive {

SectorFile::~SectorFile() { Close(); }

SectorFile::SectorFile(SectorFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writable_(std::exchange(other.writable_, false)) {}

SectorFile& SectorFile::operator=(SectorFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    writable_ = std::exchange(other.writable_, false);
  }
  return *this;
}

bool SectorFile::OpenForReading(const std::filesystem::path& path, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error = "cannot open " + path.string() + ": " + std::strerror(errno);
    return false;
  }
  writable_ = false;
  return true;
}

bool SectorFile::OpenForWriting(const std::filesystem::path& path, bool truncate, std::string& error) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0), 0644);
  if (fd_ < 0) {
    error = "cannot open " + path.string() + " for writing: " + std::strerror(errno);
    return false;
  }
  writable_ = true;
  return true;
}

void SectorFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  writable_ = false;
}

std::int64_t SectorFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
  return info.st_size;
}

bool SectorFile::Read(std::int64_t offset, void* data, std::size_t length) const {
  auto* bytes = static_cast<char*>(data);
  while (length > 0) {
    const ssize_t got = ::pread(fd_, bytes, length, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    offset += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

bool SectorFile::Write(std::int64_t offset, const void* data, std::size_t length) {
  if (!writable_) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t put = ::pwrite(fd_, bytes, length, offset);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    offset += put;
    length -= static_cast<std::size_t>(put);
  }
  return true;
}

bool SectorFile::ExtendTo(std::int64_t size) {
  if (!writable_) return false;
  if (Size() >= size) return true;
  return ::ftruncate(fd_, size) == 0;
}

}  // namespace brenmark::virtualdrive
