#include "audio/OutputFile.h"

namespace brenmark::audio {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const std::filesystem::path& path) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
  return file_ != nullptr;
}

bool OutputFile::Write(const void* bytes, std::size_t count) {
  return file_ != nullptr && std::fwrite(bytes, 1, count, file_) == count;
}

bool OutputFile::Close() {
  if (file_ == nullptr) return true;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && closed;
}

}  // namespace brenmark::audio
