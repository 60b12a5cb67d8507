#include "virtualdrive/SectorFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace brenmark::virtualdrive {
namespace {

// Room for 16 sectors of 2352 bytes and more: a file's tail of single sectors
// on a data disc always fits.
constexpr std::size_t kWriteBehindBytes = 64 * 1024;
// Writes this large or larger are not worth gathering.
constexpr std::size_t kGatherBelow = 8 * 1024;

}  // namespace

SectorFile::~SectorFile() { Close(); }

SectorFile::SectorFile(SectorFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      writable_(std::exchange(other.writable_, false)),
      pending_(std::move(other.pending_)),
      pendingOffset_(std::exchange(other.pendingOffset_, 0)),
      pendingLength_(std::exchange(other.pendingLength_, 0)) {}

SectorFile& SectorFile::operator=(SectorFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    writable_ = std::exchange(other.writable_, false);
    pending_ = std::move(other.pending_);
    pendingOffset_ = std::exchange(other.pendingOffset_, 0);
    pendingLength_ = std::exchange(other.pendingLength_, 0);
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
  if (pending_.size() != kWriteBehindBytes) pending_.assign(kWriteBehindBytes, 0);
  return true;
}

bool SectorFile::Flush() {
  if (pendingLength_ == 0) return true;
  const std::size_t length = std::exchange(pendingLength_, 0);
  return WriteNow(pendingOffset_, pending_.data(), length);
}

bool SectorFile::Close() {
  const bool flushed = Flush();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  writable_ = false;
  return flushed;
}

std::int64_t SectorFile::Size() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
  const std::int64_t pendingEnd = pendingOffset_ + static_cast<std::int64_t>(pendingLength_);
  return pendingLength_ > 0 && pendingEnd > info.st_size ? pendingEnd : info.st_size;
}

bool SectorFile::Read(std::int64_t offset, void* data, std::size_t length) {
  if (!Flush()) return false;
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
  if (length == 0) return true;
  const bool continues = pendingLength_ > 0 && offset == pendingOffset_ + static_cast<std::int64_t>(pendingLength_);
  if (length < kGatherBelow && continues && pendingLength_ + length <= pending_.size()) {
    std::memcpy(pending_.data() + pendingLength_, data, length);
    pendingLength_ += length;
    return true;
  }
  if (!Flush()) return false;
  if (length < kGatherBelow) {
    std::memcpy(pending_.data(), data, length);
    pendingOffset_ = offset;
    pendingLength_ = length;
    return true;
  }
  return WriteNow(offset, data, length);
}

bool SectorFile::WriteNow(std::int64_t offset, const void* data, std::size_t length) {
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
  if (!writable_ || !Flush()) return false;
  if (Size() >= size) return true;
  return ::ftruncate(fd_, size) == 0;
}

}  // namespace brenmark::virtualdrive
