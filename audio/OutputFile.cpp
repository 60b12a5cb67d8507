#include "audio/OutputFile.h"

#include <cstring>

namespace brenmark::audio {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::size_t kDirectWrite = 1 << 14;

}  // namespace

bool OutputFile::Create(const std::filesystem::path& path) {
  buffer_.clear();
  buffer_.reserve(kBufferSize);
  written_ = 0;
  return file_.OpenForWriting(path, true);
}

bool OutputFile::Write(const void* bytes, std::size_t count) {
  if (!file_.isOpen()) return false;
  // Large writes (a read of 16 sectors) go straight to the file, small ones
  // (encoded chunks) are gathered.
  if ((buffer_.size() + count > kBufferSize || count >= kDirectWrite) && !Flush()) return false;
  if (count >= kDirectWrite) {
    if (!file_.WriteAt(written_, bytes, count)) return false;
    written_ += static_cast<std::int64_t>(count);
    return true;
  }
  const auto* from = static_cast<const std::uint8_t*>(bytes);
  buffer_.insert(buffer_.end(), from, from + count);
  return true;
}

bool OutputFile::Flush() {
  if (buffer_.empty()) return true;
  const bool written = file_.WriteAt(written_, buffer_.data(), buffer_.size());
  if (written) written_ += static_cast<std::int64_t>(buffer_.size());
  buffer_.clear();
  return written;
}

bool OutputFile::WriteAt(std::int64_t offset, const void* bytes, std::size_t count) {
  return file_.WriteAt(offset, bytes, count);
}

std::int64_t OutputFile::SizeOnDisk() const {
  const auto status = file_.Status();
  return status ? static_cast<std::int64_t>(status->size) : -1;
}

bool OutputFile::Close() {
  if (!file_.isOpen()) return true;
  const bool flushed = Flush();
  return file_.Close() && flushed;
}

}  // namespace brenmark::audio
