#include "audio/TrackChecksums.h"

#include <array>

namespace brenmark::audio {
namespace {

constexpr std::uint64_t kSamplesPerSector = 588;
constexpr std::uint64_t kSkippedSectors = 5;

// Eight tables of the reflected polynomial EDB88320h, for eight bytes a step.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (std::size_t t = 1; t < 8; ++t) tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
  }
  return tables;
}

const CrcTables kCrcTables = MakeCrcTables();

std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  const auto& t = kCrcTables;
  while (count >= 8) {
    const std::uint32_t low = crc ^ (bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
    bytes += 8;
    count -= 8;
  }
  while (count-- > 0) crc = t[0][(crc ^ *bytes++) & 0xFF] ^ (crc >> 8);
  return crc;
}

}  // namespace

TrackChecksums::TrackChecksums(std::uint64_t sampleCount, bool firstTrack, bool lastTrack)
    : firstCounted_(firstTrack ? kSkippedSectors * kSamplesPerSector - 1 : 1),
      lastCounted_(lastTrack ? (sampleCount > kSkippedSectors * kSamplesPerSector
                                    ? sampleCount - kSkippedSectors * kSamplesPerSector
                                    : 0)
                             : sampleCount) {}

void TrackChecksums::Add(const std::uint8_t* bytes, std::size_t count) {
  crc_ = UpdateCrc(crc_, bytes, count);
  while (partialCount_ > 0 && partialCount_ < 4 && count > 0) {
    partial_[partialCount_++] = *bytes++;
    --count;
  }
  if (partialCount_ == 4) {
    AddSample(partial_[0] | partial_[1] << 8 | partial_[2] << 16 | static_cast<std::uint32_t>(partial_[3]) << 24);
    partialCount_ = 0;
  }
  for (; count >= 4; bytes += 4, count -= 4) {
    AddSample(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
  }
  while (count-- > 0) partial_[partialCount_++] = *bytes++;
}

void TrackChecksums::AddSample(std::uint32_t sample) {
  const std::uint64_t number = ++position_;
  if (number < firstCounted_ || number > lastCounted_) return;
  const std::uint64_t product = static_cast<std::uint64_t>(sample) * (number & 0xFFFFFFFFu);
  v1_ += static_cast<std::uint32_t>(product);
  v2_ += static_cast<std::uint32_t>(product) + static_cast<std::uint32_t>(product >> 32);
}

}  // namespace brenmark::audio
