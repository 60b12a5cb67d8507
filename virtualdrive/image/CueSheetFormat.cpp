#include <array>
#include <cstdio>
#include <string_view>

#include "virtualdrive/image/CueSheet.h"

namespace brenmark::virtualdrive {
namespace {

std::string_view ModeKeyword(CueTrackMode mode) {
  switch (mode) {
    case CueTrackMode::Audio:
      return "AUDIO";
    case CueTrackMode::Mode1Raw:
      return "MODE1/2352";
    case CueTrackMode::Mode2Raw:
      return "MODE2/2352";
  }
  return "AUDIO";
}

std::string IndexLine(int index, std::int32_t frames) {
  std::array<char, 64> line{};
  std::snprintf(line.data(), line.size(), "    INDEX %02d %02d:%02d:%02d\n", index,
                static_cast<int>(frames / (75 * 60)), static_cast<int>((frames / 75) % 60),
                static_cast<int>(frames % 75));
  return line.data();
}

// A text as a quoted word; a double quote inside it cannot be written and
// becomes a single one.
std::string TextLines(const CueTexts& texts, std::string_view indent) {
  std::string lines;
  const auto add = [&](std::string_view command, std::string text) {
    if (text.empty()) return;
    for (char& c : text) c = c == '"' ? '\'' : c;
    lines += std::string(indent) + std::string(command) + " \"" + text + "\"\n";
  };
  add("TITLE", texts.title);
  add("PERFORMER", texts.performer);
  add("SONGWRITER", texts.songwriter);
  return lines;
}

}  // namespace

std::string FormatCueSheet(const CueSheet& sheet) {
  std::string text;
  if (!sheet.catalog.empty()) text += "CATALOG " + sheet.catalog + "\n";
  text += TextLines(sheet.texts, "");
  text += "FILE \"" + sheet.binFileName + "\" BINARY\n";
  for (const CueTrack& track : sheet.tracks) {
    std::array<char, 16> number{};
    std::snprintf(number.data(), number.size(), "%02d", track.number);
    text += "  TRACK ";
    text += number.data();
    text += ' ';
    text += ModeKeyword(track.mode);
    text += '\n';
    text += TextLines(track.texts, "    ");
    if (!track.isrc.empty()) text += "    ISRC " + track.isrc + "\n";
    if (track.pregapStart) text += IndexLine(0, *track.pregapStart);
    text += IndexLine(1, track.start);
    for (std::size_t index = 0; index < track.indexes.size(); ++index) {
      text += IndexLine(static_cast<int>(index) + 2, track.indexes[index]);
    }
  }
  return text;
}

}  // namespace brenmark::virtualdrive
