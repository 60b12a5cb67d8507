#include "virtualdrive/SectorFile.h"

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
    : file_(std::move(other.file_)),
      writable_(std::exchange(other.writable_, false)),
      pending_(std::move(other.pending_)),
      pendingOffset_(std::exchange(other.pendingOffset_, 0)),
      pendingLength_(std::exchange(other.pendingLength_, 0)) {}

SectorFile& SectorFile::operator=(SectorFile&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::move(other.file_);
    writable_ = std::exchange(other.writable_, false);
    pending_ = std::move(other.pending_);
    pendingOffset_ = std::exchange(other.pendingOffset_, 0);
    pendingLength_ = std::exchange(other.pendingLength_, 0);
  }
  return *this;
}

bool SectorFile::OpenForReading(const std::filesystem::path& path, std::string& error) {
  Close();
  if (!file_.OpenForReading(path)) {
    error = "cannot open " + path.string() + ": " + file_.lastError();
    return false;
  }
  writable_ = false;
  return true;
}

bool SectorFile::OpenForWriting(const std::filesystem::path& path, platform::File::NoFollowOpening how,
                                std::string& error) {
  Close();
  if (!file_.OpenForWritingNoFollow(path, how)) {
    error = "cannot open " + path.string() + " for writing: " + file_.lastError();
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
  const bool closed = file_.Close();
  writable_ = false;
  return flushed && closed;
}

std::int64_t SectorFile::Size() const {
  if (!file_.isOpen()) return 0;
  const auto status = file_.Status();
  if (!status) return 0;
  const auto onDisk = static_cast<std::int64_t>(status->size);
  const std::int64_t pendingEnd = pendingOffset_ + static_cast<std::int64_t>(pendingLength_);
  return pendingLength_ > 0 && pendingEnd > onDisk ? pendingEnd : onDisk;
}

bool SectorFile::Read(std::int64_t offset, void* data, std::size_t length) {
  if (!Flush()) return false;
  return file_.ReadAt(offset, data, length) == static_cast<std::int64_t>(length);
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
  return file_.WriteAt(offset, data, length);
}

bool SectorFile::CutTo(std::int64_t size) {
  if (!writable_ || !Flush()) return false;
  if (Size() <= size) return true;
  return file_.Resize(size);
}

bool SectorFile::ExtendTo(std::int64_t size) {
  if (!writable_ || !Flush()) return false;
  if (Size() >= size) return true;
  return file_.Resize(size);
}

}  // namespace brenmark::virtualdrive
