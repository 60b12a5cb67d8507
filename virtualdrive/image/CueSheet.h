#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenmark::virtualdrive {

// The track modes of a single-file image of raw 2352-byte sectors.
enum class CueTrackMode { Audio, Mode1Raw, Mode2Raw };  // AUDIO, MODE1/2352, MODE2/2352

struct CueTrack {
  int number;
  CueTrackMode mode;
  // INDEX 00 and INDEX 01, in frames from the start of the file.
  std::optional<std::int32_t> pregapStart;
  std::int32_t start;

  bool operator==(const CueTrack&) const = default;
};

// A cue sheet describing one BINARY file. Text-only commands (TITLE, PERFORMER, FLAGS,
// ISRC, REM ...) are accepted and not kept.
struct CueSheet {
  std::string binFileName;
  std::string catalog;  // 13 digits, or empty
  std::vector<CueTrack> tracks;

  bool operator==(const CueSheet&) const = default;
};

struct CueParseResult {
  std::optional<CueSheet> sheet;
  std::string error;  // one line naming the offending line, when `sheet` is empty
};

CueParseResult ParseCueSheet(std::string_view text);

// Writes a sheet in the common form that disc image tools read.
std::string FormatCueSheet(const CueSheet& sheet);

}  // namespace brenmark::virtualdrive
