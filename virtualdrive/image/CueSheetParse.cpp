#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>

#include "virtualdrive/image/CueSheet.h"

namespace brenmark::virtualdrive {
namespace {

constexpr std::int32_t kFramesPerSecond = 75;
constexpr std::int32_t kSecondsPerMinute = 60;
constexpr int kMaxTrackNumber = 99;
constexpr std::size_t kCatalogDigits = 13;

// Commands that only carry text (CD-Text, identifiers, comments); the
// image layout does not depend on them.
constexpr std::array<std::string_view, 14> kTextOnlyCommands = {
    "REM",       "TITLE",   "PERFORMER", "SONGWRITER", "COMPOSER",  "ARRANGER",  "MESSAGE",
    "ISRC",      "DISC_ID", "GENRE",     "UPC_EAN",    "TOC_INFO1", "TOC_INFO2", "CDTEXTFILE"};

constexpr std::array<std::string_view, 4> kTrackFlags = {"DCP", "4CH", "PRE", "SCMS"};

// Modes other tools know that this image format cannot hold (cooked or sub-channel sectors).
constexpr std::array<std::string_view, 8> kUnsupportedModes = {
    "MODE1/2048", "MODE2/2048", "MODE2/2324", "MODE2/2336",
    "MODE2/2332", "CDI/2336",   "CDI/2352",   "CDG"};

std::string ToUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

// Digits only, at most maxDigits of them; returns -1 otherwise.
int ParseSmallNumber(std::string_view text, std::size_t maxDigits) {
  if (!IsDigits(text) || text.size() > maxDigits) return -1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

std::string TwoDigits(int number) {
  std::array<char, 16> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%02d", number);
  return buffer.data();
}

std::string FormatFrames(std::int32_t frames) {
  std::array<char, 16> buffer{};
  const std::int32_t minutes = frames / (kFramesPerSecond * kSecondsPerMinute);
  const std::int32_t seconds = (frames / kFramesPerSecond) % kSecondsPerMinute;
  const std::int32_t rest = frames % kFramesPerSecond;
  std::snprintf(buffer.data(), buffer.size(), "%02d:%02d:%02d", static_cast<int>(minutes),
                static_cast<int>(seconds), static_cast<int>(rest));
  return buffer.data();
}

struct Tokens {
  std::vector<std::string> words;
  std::string error;
};

// Splits a line into words; a double-quoted string is one word without its quotes.
Tokens Tokenize(std::string_view line) {
  Tokens tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        tokens.error = "unterminated quoted text";
        return tokens;
      }
      tokens.words.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      std::size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '"') {
        ++end;
      }
      tokens.words.emplace_back(line.substr(i, end - i));
      i = end;
    }
  }
  return tokens;
}

class CueSheetParser {
 public:
  CueParseResult Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int lineNumber = 0;
    while (!text.empty()) {
      ++lineNumber;
      const std::size_t newline = text.find('\n');
      std::string_view line = text.substr(0, newline);
      text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lineNumber_ = lineNumber;
      if (!ParseLine(line)) return Failure();
    }
    if (lineNumber == 0) {
      error_ = "the cue sheet is empty";
      return Failure();
    }
    if (!Finish()) return Failure();
    return CueParseResult{std::move(sheet_), {}};
  }

 private:
  bool ParseLine(std::string_view line) {
    Tokens tokens = Tokenize(line);
    if (!tokens.error.empty()) return Fail(tokens.error);
    if (tokens.words.empty()) return true;
    const std::string command = ToUpper(tokens.words[0]);
    const std::vector<std::string> args(tokens.words.begin() + 1, tokens.words.end());

    if (command == "CATALOG") return ParseCatalog(args);
    if (command == "FILE") return ParseFile(args);
    if (command == "TRACK") return ParseTrack(args);
    if (command == "INDEX") return ParseIndex(args);
    if (command == "FLAGS") return ParseFlags(args);
    if (command == "ISRC") return ParseIsrc(args);
    if (command == "TITLE" || command == "PERFORMER" || command == "SONGWRITER") return ParseText(command, args);
    if (command == "PREGAP" || command == "POSTGAP") {
      return Fail(command + " is not supported: gaps must be stored in the file (INDEX 00)");
    }
    if (std::find(kTextOnlyCommands.begin(), kTextOnlyCommands.end(), command) !=
        kTextOnlyCommands.end()) {
      return true;
    }
    return Fail("unknown command \"" + tokens.words[0] + "\"");
  }

  bool ParseCatalog(const std::vector<std::string>& args) {
    if (args.empty()) return Fail("CATALOG needs a 13-digit catalogue number");
    if (args.size() > 1) return Fail("CATALOG takes one catalogue number");
    if (!sheet_.catalog.empty()) return Fail("CATALOG given twice");
    const std::string& number = args[0];
    if (number.size() != kCatalogDigits || !IsDigits(number)) {
      return Fail("CATALOG \"" + number + "\" is not 13 decimal digits");
    }
    sheet_.catalog = number;
    return true;
  }

  bool ParseIsrc(const std::vector<std::string>& args) {
    if (sheet_.tracks.empty()) return Fail("ISRC before any TRACK");
    if (args.size() != 1) return Fail("ISRC takes one code");
    const std::string code = ToUpper(args[0]);
    const bool valid = code.size() == 12 && std::all_of(code.begin(), code.begin() + 5, [](char c) {
                         return std::isalnum(static_cast<unsigned char>(c)) != 0;
                       }) && IsDigits(std::string_view(code).substr(5));
    if (!valid) return Fail("ISRC \"" + args[0] + "\" is not 5 letters or digits and 7 digits");
    sheet_.tracks.back().isrc = code;
    return true;
  }

  // Before the first TRACK a text is the disc's, after it the track's.
  bool ParseText(const std::string& command, const std::vector<std::string>& args) {
    if (args.empty()) return Fail(command + " needs a text");
    CueTexts& texts = sheet_.tracks.empty() ? sheet_.texts : sheet_.tracks.back().texts;
    std::string& text = command == "TITLE" ? texts.title : command == "PERFORMER" ? texts.performer : texts.songwriter;
    text = args[0];
    for (std::size_t at = 1; at < args.size(); ++at) text += " " + args[at];  // unquoted words
    return true;
  }

  bool ParseFile(const std::vector<std::string>& args) {
    if (args.size() != 2) return Fail("FILE needs a file name and a file type");
    if (haveFile_) return Fail("only one FILE per sheet is supported");
    const std::string& name = args[0];
    if (name.empty()) return Fail("FILE has an empty file name");
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
      return Fail("FILE name contains control characters");
    }
    const std::string type = ToUpper(args[1]);
    if (type != "BINARY") {
      return Fail("FILE type " + args[1] + " is not supported (only BINARY)");
    }
    sheet_.binFileName = name;
    haveFile_ = true;
    return true;
  }

  bool ParseTrack(const std::vector<std::string>& args) {
    if (!haveFile_) return Fail("TRACK before any FILE");
    if (args.size() != 2) return Fail("TRACK needs a track number and a mode");
    const int number = ParseSmallNumber(args[0], 2);
    if (number < 1 || number > kMaxTrackNumber) {
      return Fail("track number \"" + args[0] + "\" is not between 01 and 99");
    }
    if (!sheet_.tracks.empty() && number != sheet_.tracks.back().number + 1) {
      return Fail("track " + args[0] + " does not follow track " +
                  TwoDigits(sheet_.tracks.back().number));
    }
    const std::string mode = ToUpper(args[1]);
    CueTrackMode trackMode;
    if (mode == "AUDIO") {
      trackMode = CueTrackMode::Audio;
    } else if (mode == "MODE1/2352") {
      trackMode = CueTrackMode::Mode1Raw;
    } else if (mode == "MODE2/2352") {
      trackMode = CueTrackMode::Mode2Raw;
    } else if (std::find(kUnsupportedModes.begin(), kUnsupportedModes.end(), mode) !=
               kUnsupportedModes.end()) {
      return Fail("track mode " + args[1] +
                  " is not supported (only AUDIO, MODE1/2352 and MODE2/2352)");
    } else {
      return Fail("unknown track mode \"" + args[1] + "\"");
    }
    if (!CloseTrack()) return false;
    sheet_.tracks.push_back(CueTrack{number, trackMode, std::nullopt, 0});
    trackLine_ = lineNumber_;
    lastIndexNumber_ = -1;
    return true;
  }

  bool ParseIndex(const std::vector<std::string>& args) {
    if (sheet_.tracks.empty()) return Fail("INDEX before any TRACK");
    if (args.size() != 2) return Fail("INDEX needs an index number and a time mm:ss:ff");
    const int number = ParseSmallNumber(args[0], 2);
    if (number < 0) return Fail("index number \"" + args[0] + "\" is not between 00 and 99");
    if (number <= lastIndexNumber_) {
      return Fail("INDEX " + args[0] + " comes after INDEX " + TwoDigits(lastIndexNumber_));
    }
    if (number > 1 && lastIndexNumber_ < 1) return Fail("INDEX " + args[0] + " before INDEX 01");
    std::int32_t frames = 0;
    if (!ParseTime(args[1], frames)) return false;
    if (frames < lastIndexTime_) {
      return Fail("INDEX time " + args[1] + " lies before the previous index (" +
                  FormatFrames(lastIndexTime_) + ")");
    }
    if (lastIndexNumber_ < 0 && frames == lastIndexTime_ && sheet_.tracks.size() > 1) {
      const int previous = sheet_.tracks[sheet_.tracks.size() - 2].number;
      return Fail("track " + TwoDigits(previous) + " has no sectors: the next track starts at " +
                  args[1]);
    }
    CueTrack& track = sheet_.tracks.back();
    if (number == 0) track.pregapStart = frames;
    if (number == 1) track.start = frames;
    if (number > 1) track.indexes.push_back(frames);
    lastIndexNumber_ = number;
    lastIndexTime_ = frames;
    return true;
  }

  bool ParseTime(const std::string& text, std::int32_t& frames) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || text.find(':', second + 1) != std::string::npos) {
      return Fail("INDEX time \"" + text + "\" is not mm:ss:ff");
    }
    const int minutes = ParseSmallNumber(std::string_view(text).substr(0, first), 3);
    const int seconds = ParseSmallNumber(
        std::string_view(text).substr(first + 1, second - first - 1), 3);
    const int rest = ParseSmallNumber(std::string_view(text).substr(second + 1), 3);
    if (minutes < 0 || seconds < 0 || rest < 0) {
      return Fail("INDEX time \"" + text + "\" is not mm:ss:ff");
    }
    if (seconds >= kSecondsPerMinute) {
      return Fail("INDEX time " + text + ": seconds must be below 60");
    }
    if (rest >= kFramesPerSecond) {
      return Fail("INDEX time " + text + ": frames must be below 75");
    }
    frames = (minutes * kSecondsPerMinute + seconds) * kFramesPerSecond + rest;
    return true;
  }

  bool ParseFlags(const std::vector<std::string>& args) {
    if (sheet_.tracks.empty()) return Fail("FLAGS before any TRACK");
    for (const std::string& flag : args) {
      if (std::find(kTrackFlags.begin(), kTrackFlags.end(), ToUpper(flag)) ==
          kTrackFlags.end()) {
        return Fail("unknown track flag \"" + flag + "\"");
      }
    }
    return true;
  }

  // A track is complete once it has its INDEX 01.
  bool CloseTrack() {
    if (!sheet_.tracks.empty() && lastIndexNumber_ < 1) {
      lineNumber_ = trackLine_;
      return Fail("track " + TwoDigits(sheet_.tracks.back().number) + " has no INDEX 01");
    }
    return true;
  }

  bool Finish() {
    if (!haveFile_) return Fail("the sheet names no FILE");
    if (sheet_.tracks.empty()) return Fail("the sheet has no TRACK");
    return CloseTrack();
  }

  bool Fail(const std::string& message) {
    error_ = "line " + std::to_string(lineNumber_) + ": " + message;
    return false;
  }

  CueParseResult Failure() const { return CueParseResult{std::nullopt, error_}; }

  CueSheet sheet_;
  bool haveFile_ = false;
  int lineNumber_ = 0;
  int trackLine_ = 0;
  int lastIndexNumber_ = -1;
  std::int32_t lastIndexTime_ = 0;
  std::string error_;
};

}  // namespace

CueParseResult ParseCueSheet(std::string_view text) { return CueSheetParser{}.Parse(text); }

}  // namespace brenmark::virtualdrive
