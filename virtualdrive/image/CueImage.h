#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "virtualdrive/image/CueSheet.h"

namespace brenmark::virtualdrive {

// A cue sheet together with the raw image it describes, checked against each other.
struct CueImage {
  CueSheet sheet;
  std::filesystem::path binPath;
  std::int64_t sectorCount;  // 2352-byte sectors in the .bin
};

struct CueImageResult {
  std::optional<CueImage> image;
  std::string error;  // one line, when `image` is empty
};

// Reads and checks a .cue and its .bin. The .bin is looked up next to the sheet, with
// the name compared case-insensitively when no file has exactly that name (many sheets
// name it in upper case). Refuses unreadable or malformed sheets, missing files, a .bin
// that is not a whole number of raw sectors and tracks that lie beyond its end.
CueImageResult OpenCueImage(const std::filesystem::path& cuePath);

}  // namespace brenmark::virtualdrive
