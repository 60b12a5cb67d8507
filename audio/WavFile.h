#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace brenmark::audio {

// Where the samples of a WAV file lie: the bytes of its `data` chunk, cut to
// what the file actually holds.
struct WavSamples {
  std::uint64_t offset = 0;
  std::uint64_t bytes = 0;
  // The data chunk's size says more than the file holds: a file cut short.
  bool shorterThanHeader = false;
};

// Reads `count` bytes at `offset` into `out`; false when they are not all there.
using ReadBytesAt = std::function<bool(std::uint64_t offset, std::uint8_t* out, std::size_t count)>;

// Walks the RIFF chunks of a WAV file and finds its samples when they are CD
// audio: PCM, 16 bits, 2 channels, 44,100 Hz, described by a plain or an
// extensible `fmt ` chunk. Chunks may come in any order; the ones that are
// neither `fmt ` nor `data` (LIST, fact, bext, ...) are skipped. Nothing when
// the file is not such a WAV, is truncated before its samples or is
// malformed. `fileSize` bounds every chunk; only chunk headers and the format
// are read.
std::optional<WavSamples> FindCdAudioSamples(const ReadBytesAt& readAt, std::uint64_t fileSize);

}  // namespace brenmark::audio
