#include "audio/WavTrackFile.h"

#include <cstdio>
#include <cstring>

namespace brenmark::audio {
namespace {

constexpr std::uint32_t kRiffSizeOffset = 4;
constexpr std::uint32_t kDataSizeOffset = 40;
constexpr std::uint32_t kRiffExtra = 36;  // the header bytes after the RIFF size field, less "data" and its size

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

bool WriteLe32At(std::FILE* file, long offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  PutLe32(bytes, value);
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file) == 4;
}

}  // namespace

std::array<std::uint8_t, 44> WavHeader(std::uint32_t dataSize) {
  std::array<std::uint8_t, 44> header{};
  std::uint8_t* h = header.data();
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, dataSize + kRiffExtra);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, 1);
  PutLe16(h + 22, 2);
  PutLe32(h + 24, 44100);
  PutLe32(h + 28, 176400);
  PutLe16(h + 32, 4);
  PutLe16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, dataSize);
  return header;
}

bool WavTrackFile::Create(const std::filesystem::path& path) {
  path_ = path;
  return file_.Create(path);
}

bool WavTrackFile::WriteHeader(std::uint32_t dataSize) {
  const auto header = WavHeader(dataSize);
  return file_.Write(header.data(), header.size());
}

bool WavTrackFile::Append(const std::uint8_t* bytes, std::size_t count) { return file_.Write(bytes, count); }

bool WavTrackFile::Finish() {
  const bool closed = file_.Close();
  // Reopened after closing, so that the size is what reached the disk, also
  // when the last writes did not.
  std::FILE* file = std::fopen(path_.c_str(), "r+b");
  if (file == nullptr) return false;
  bool rewritten = std::fseek(file, 0, SEEK_END) == 0;
  const long size = rewritten ? std::ftell(file) : -1;
  if (size >= static_cast<long>(kHeaderSize)) {
    const auto dataSize = static_cast<std::uint32_t>(size - static_cast<long>(kHeaderSize));
    rewritten = WriteLe32At(file, kDataSizeOffset, dataSize) &&
                WriteLe32At(file, kRiffSizeOffset, dataSize + kRiffExtra);
  } else {
    rewritten = false;
  }
  const bool reclosed = std::fclose(file) == 0;
  return closed && rewritten && reclosed;
}

}  // namespace brenmark::audio
