#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmark::audio {

// The checksums rippers print for a track, computed while its audio streams
// by: the CRC32 of the PCM bytes and the AccurateRip v1 and v2 sums over its
// stereo samples (32-bit little-endian words numbered from 1). On the disc's
// first audio track the first five sectors but one sample are left out of the
// AccurateRip sums, on its last the last five sectors.
class TrackChecksums {
 public:
  TrackChecksums(std::uint64_t sampleCount, bool firstTrack, bool lastTrack);

  void Add(const std::uint8_t* bytes, std::size_t count);

  std::uint32_t crc32() const { return ~crc_; }
  std::uint32_t accurateRipV1() const { return v1_; }
  std::uint32_t accurateRipV2() const { return v2_; }

 private:
  void AddSamples(const std::uint8_t* bytes, std::size_t count);

  std::uint64_t firstCounted_;
  std::uint64_t lastCounted_;
  std::uint64_t position_ = 0;  // the samples taken so far
  std::uint32_t crc_ = 0xFFFFFFFFu;
  std::uint32_t v1_ = 0;
  std::uint32_t v2_ = 0;
  std::uint8_t partial_[4] = {};
  std::size_t partialCount_ = 0;
};

}  // namespace brenmark::audio
