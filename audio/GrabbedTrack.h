#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "audio/TrackTimeTable.h"

namespace brenmark::audio {

// What the grab job knows of one track it wrote to a file.
struct GrabbedTrack {
  int number = 0;
  std::filesystem::path path;
  MsfTime start;
  MsfTime end;
  std::int32_t sectors = 0;      // the track's length
  std::int32_t sectorsRead = 0;  // fewer when a read was given up
  std::uint32_t readRetries = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t accurateRipV1 = 0;
  std::uint32_t accurateRipV2 = 0;

  bool complete() const { return sectorsRead == sectors; }
};

// "track03.wav  CRC32 1A2B3C4D  AccurateRip v1 ...  v2 ..." for a terminal.
std::string ChecksumLine(const GrabbedTrack& track);

}  // namespace brenmark::audio
