#include "audio/TrackChecksums.h"

#include <algorithm>
#include <array>

#include "audio/Crc32.h"

namespace brenmark::audio {
namespace {

constexpr std::uint64_t kSamplesPerSector = 588;
constexpr std::uint64_t kSkippedSectors = 5;

std::uint32_t Le32(const std::uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

TrackChecksums::TrackChecksums(std::uint64_t sampleCount, bool firstTrack, bool lastTrack)
    : firstCounted_(firstTrack ? kSkippedSectors * kSamplesPerSector - 1 : 1),
      lastCounted_(lastTrack ? (sampleCount > kSkippedSectors * kSamplesPerSector
                                    ? sampleCount - kSkippedSectors * kSamplesPerSector
                                    : 0)
                             : sampleCount) {}

void TrackChecksums::Add(const std::uint8_t* bytes, std::size_t count) {
  crc_ = UpdateCrc32(crc_, bytes, count);
  while (partialCount_ > 0 && partialCount_ < 4 && count > 0) {
    partial_[partialCount_++] = *bytes++;
    --count;
  }
  if (partialCount_ == 4) {
    AddSamples(partial_, 1);
    partialCount_ = 0;
  }
  const std::size_t whole = count / 4;
  AddSamples(bytes, whole);
  bytes += whole * 4;
  count -= whole * 4;
  while (count-- > 0) partial_[partialCount_++] = *bytes++;
}

void TrackChecksums::AddSamples(const std::uint8_t* bytes, std::size_t count) {
  // Samples position_ + 1 ... position_ + count arrive; only those within
  // [firstCounted_, lastCounted_] are summed, in one loop without branches.
  const std::uint64_t first = std::max(position_ + 1, firstCounted_);
  const std::uint64_t last = std::min(position_ + count, lastCounted_);
  if (first > last) {
    position_ += count;
    return;
  }
  // Two sums apart, so that consecutive products do not wait for each other.
  std::uint32_t low[2] = {};
  std::uint32_t high[2] = {};
  const std::uint8_t* at = bytes + 4 * (first - position_ - 1);
  std::uint64_t number = first;
  for (; number + 1 <= last; number += 2, at += 8) {
    for (int lane = 0; lane < 2; ++lane) {
      const std::uint64_t product = static_cast<std::uint64_t>(Le32(at + 4 * lane)) * ((number + lane) & 0xFFFFFFFFu);
      low[lane] += static_cast<std::uint32_t>(product);
      high[lane] += static_cast<std::uint32_t>(product >> 32);
    }
  }
  if (number == last) {
    const std::uint64_t product = static_cast<std::uint64_t>(Le32(at)) * (number & 0xFFFFFFFFu);
    low[0] += static_cast<std::uint32_t>(product);
    high[0] += static_cast<std::uint32_t>(product >> 32);
  }
  v1_ += low[0] + low[1];
  v2_ += low[0] + low[1] + high[0] + high[1];
  position_ += count;
}

}  // namespace brenmark::audio
