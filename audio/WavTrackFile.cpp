#include "audio/WavTrackFile.h"

#include <cstring>

namespace brenmark::audio {
namespace {

constexpr std::uint32_t kRiffSizeOffset = 4;
constexpr std::uint32_t kDataSizeOffset = 40;
constexpr std::uint32_t kRiffExtra = 36;  // the RIFF size counts the header bytes after its field too

void PutLe32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutLe16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
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

bool WavTrackFile::Create(const std::filesystem::path& path, bool replaceExisting) {
  return file_.Create(path, replaceExisting);
}

bool WavTrackFile::WriteHeader(std::uint32_t dataSize) {
  const auto header = WavHeader(dataSize);
  return file_.Write(header.data(), header.size());
}

bool WavTrackFile::Append(const std::uint8_t* bytes, std::size_t count) { return file_.Write(bytes, count); }

bool WavTrackFile::Finish() {
  if (!file_.Flush()) return false;
  const std::int64_t size = file_.SizeOnDisk();
  bool rewritten = false;
  if (size >= static_cast<std::int64_t>(kHeaderSize)) {
    const auto dataSize = static_cast<std::uint32_t>(size - static_cast<std::int64_t>(kHeaderSize));
    std::uint8_t field[4];
    PutLe32(field, dataSize);
    rewritten = file_.WriteAt(kDataSizeOffset, field, sizeof field);
    PutLe32(field, dataSize + kRiffExtra);
    rewritten = file_.WriteAt(kRiffSizeOffset, field, sizeof field) && rewritten;
  }
  return rewritten && file_.Close();
}

}  // namespace brenmark::audio
