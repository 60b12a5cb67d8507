#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brenmark::virtualdrive {

// The track modes of a single-file image of raw 2352-byte sectors.
enum class CueTrackMode { Audio, Mode1Raw, Mode2Raw };  // AUDIO, MODE1/2352, MODE2/2352

// The CD-TEXT a sheet gives the disc or a track.
struct CueTexts {
  std::string title;
  std::string performer;
  std::string songwriter;

  bool operator==(const CueTexts&) const = default;
};

struct CueTrack {
  int number;
  CueTrackMode mode;
  // INDEX 00 and INDEX 01, in frames from the start of the file.
  std::optional<std::int32_t> pregapStart;
  std::int32_t start;
  std::vector<std::int32_t> indexes = {};  // INDEX 02, 03, ...
  std::string isrc = {};
  CueTexts texts = {};

  bool operator==(const CueTrack&) const = default;
};

// A cue sheet describing one BINARY file. Of the text-only commands, TITLE,
// PERFORMER, SONGWRITER and ISRC are kept; the others (FLAGS, REM, ...) are
// accepted and not kept.
struct CueSheet {
  std::string binFileName;
  std::string catalog;  // 13 digits, or empty
  std::vector<CueTrack> tracks;
  CueTexts texts = {};

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
