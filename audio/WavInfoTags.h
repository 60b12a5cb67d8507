#pragma once

#include <cstdint>
#include <string>

#include "audio/WavFile.h"

namespace brenmark::audio {

// The title and artist an editor left in a WAV file's LIST/INFO chunk
// (INAM, IART); empty where the file has none.
struct WavInfoTags {
  std::string title;
  std::string artist;
};

// Walks the RIFF chunks for a LIST chunk of type INFO; `fileSize` bounds
// every chunk. A text ends at its first NUL.
WavInfoTags ReadWavInfoTags(const ReadBytesAt& readAt, std::uint64_t fileSize);

// The tags of the file at `path` (UTF-8); empty when it cannot be read.
WavInfoTags ReadWavInfoTagsOf(const std::string& path);

}  // namespace brenmark::audio
