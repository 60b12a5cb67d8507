#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/TrackChecksums.h"
#include "drive/DriveRegistry.h"

namespace brenmark::audio {

// Feeds the MP3 encoder chunks of a track's audio out of a pool of sectors
// read from the disc: 16 sectors a read, single sectors once fewer than 16
// remain. The pool never holds more than one chunk plus one read.
class AudioChunkReader {
 public:
  static constexpr std::size_t kSectorBytes = 2352;
  static constexpr std::int32_t kSectorsPerRead = 16;

  // The pool must hold the largest chunk asked for plus one read.
  AudioChunkReader(DriveRegistry& registry, int drive, std::span<std::uint8_t> pool, std::int32_t start,
                   std::int32_t end, TrackChecksums& checksums);

  // Delivers up to `want` bytes into `input`: fewer only at the end of the
  // track, none once the track is done or a read was given up.
  std::size_t Read(std::uint8_t* input, std::size_t want);

  bool givenUp() const { return givenUp_; }
  std::int32_t sectorsRead() const { return position_ - start_; }

 private:
  std::size_t Deliver(std::uint8_t* input, std::size_t count);

  DriveRegistry& registry_;
  int drive_;
  std::span<std::uint8_t> pool_;
  std::int32_t start_;
  std::int32_t position_;
  std::int32_t end_;
  TrackChecksums& checksums_;
  std::size_t pending_ = 0;
  bool givenUp_ = false;
};

}  // namespace brenmark::audio
