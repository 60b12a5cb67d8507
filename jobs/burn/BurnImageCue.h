#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A cue sheet as burners write it beside their image files: FILE lines
// naming the files that hold the blocks, TRACK with its mode, INDEX times
// within the file, PREGAP, ISRC, CATALOG, FLAGS and the CD-TEXT lines.
namespace brenmark::burnimage {

enum class TrackMode : std::uint8_t {
  Audio,      // AUDIO: 2352 bytes of samples
  Mode1,      // MODE1/2048: user data only
  Mode1Raw,   // MODE1/2352
  Mode2,      // MODE2/2336: subheader and data
  Mode2Raw,   // MODE2/2352
};

// Bytes of a block of the mode as the file holds it.
int BlockSize(TrackMode mode);

struct CueTexts {
  std::string title;
  std::string performer;
  std::string songwriter;
};

struct CueIndex {
  int number = 0;
  std::int32_t frames = 0;  // from the start of its file
  int line = 0;
};

struct CueTrack {
  int number = 0;
  TrackMode mode = TrackMode::Audio;
  std::size_t file = 0;  // into CueFile list
  int line = 0;
  std::string isrc;
  bool preEmphasis = false;
  bool copyPermitted = false;
  bool fourChannel = false;
  std::int32_t pregapFrames = 0;  // PREGAP: silence or empty blocks not in the file
  CueTexts texts;
  std::vector<CueIndex> indexes;  // ascending, INDEX 01 among them
};

struct CueFile {
  std::string name;
  int line = 0;
};

struct ImageCue {
  std::string catalog;
  CueTexts texts;
  std::vector<CueFile> files;
  std::vector<CueTrack> tracks;
};

struct ImageCueResult {
  std::optional<ImageCue> cue;
  std::string error;  // "line N: ...", when there is no cue
};

ImageCueResult ParseImageCue(std::string_view text);

}  // namespace brenmark::burnimage
