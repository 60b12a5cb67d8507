#include "audio/AudioChunkReader.h"

#include <cstring>

namespace brenmark::audio {
namespace {

constexpr std::uint8_t kUserDataOnly = 0x10;

}  // namespace

AudioChunkReader::AudioChunkReader(DriveRegistry& registry, int drive, std::span<std::uint8_t> pool,
                                   std::int32_t start, std::int32_t end, TrackChecksums& checksums)
    : registry_(registry),
      drive_(drive),
      pool_(pool),
      start_(start),
      position_(start),
      end_(end),
      checksums_(checksums) {}

std::size_t AudioChunkReader::Read(std::uint8_t* input, std::size_t want) {
  if (givenUp_) return 0;
  while (pending_ < want && position_ < end_) {
    const std::int32_t count = end_ - position_ < kSectorsPerRead ? 1 : kSectorsPerRead;
    const std::size_t bytes = static_cast<std::size_t>(count) * kSectorBytes;
    if (pending_ + bytes > pool_.size()) break;
    std::uint8_t* at = pool_.data() + pending_;
    if (registry_.ReadSectors(drive_, position_, count, at, static_cast<int>(kSectorBytes), kUserDataOnly) != 0) {
      givenUp_ = true;
      return 0;
    }
    checksums_.Add(at, bytes);
    position_ += count;
    pending_ += bytes;
  }
  return Deliver(input, pending_ < want ? pending_ : want);
}

std::size_t AudioChunkReader::Deliver(std::uint8_t* input, std::size_t count) {
  std::memcpy(input, pool_.data(), count);
  std::memmove(pool_.data(), pool_.data() + count, pending_ - count);
  pending_ -= count;
  return count;
}

}  // namespace brenmark::audio
