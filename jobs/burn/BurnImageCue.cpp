#include "jobs/burn/BurnImageCue.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace brenmark::burnimage {
namespace {

constexpr int kMaxTrackNumber = 99;
constexpr std::int32_t kFramesPerSecond = 75;

// Lines that a burn does not need.
constexpr std::array<std::string_view, 10> kIgnored = {"REM",      "COMPOSER",  "ARRANGER",  "MESSAGE",   "DISC_ID",
                                                       "GENRE",    "UPC_EAN",   "TOC_INFO1", "TOC_INFO2", "SIZE_INFO"};

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool AllOf(std::string_view text, int (*test)(int)) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

int Number(std::string_view text) {
  if (!AllOf(text, isdigit) || text.size() > 3) return -1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

// mm:ss:ff in frames, or -1.
std::int32_t Frames(std::string_view text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos) return -1;
  const int minutes = Number(text.substr(0, first));
  const int seconds = Number(text.substr(first + 1, second - first - 1));
  const int frames = Number(text.substr(second + 1));
  if (minutes < 0 || seconds < 0 || seconds >= 60 || frames < 0 || frames >= kFramesPerSecond) return -1;
  return (minutes * 60 + seconds) * kFramesPerSecond + frames;
}

// The words of a line; a quoted text is one word without its quotes.
std::optional<std::vector<std::string>> Words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
    } else if (line[i] == '"') {
      const std::size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      words.emplace_back(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      const std::size_t end = std::min(line.find_first_of(" \t\"", i), line.size());
      words.emplace_back(line.substr(i, end - i));
      i = end;
    }
  }
  return words;
}

std::optional<TrackMode> ModeNamed(const std::string& name) {
  if (name == "AUDIO") return TrackMode::Audio;
  if (name == "MODE1/2048") return TrackMode::Mode1;
  if (name == "MODE1/2352") return TrackMode::Mode1Raw;
  if (name == "MODE2/2336") return TrackMode::Mode2;
  if (name == "MODE2/2352") return TrackMode::Mode2Raw;
  return std::nullopt;
}

class Parser {
 public:
  ImageCueResult Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
      ++line_;
      const std::size_t end = text.find('\n');
      std::string_view current = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
      if (!Line(current)) return {std::nullopt, error_};
    }
    if (cue_.tracks.empty()) return {std::nullopt, "the cue sheet has no TRACK"};
    if (!TrackComplete()) return {std::nullopt, error_};
    return {std::move(cue_), {}};
  }

 private:
  bool Line(std::string_view text) {
    const auto words = Words(text);
    if (!words) return Fail("a quoted text is not closed");
    if (words->empty()) return true;
    const std::string command = Upper((*words)[0]);
    const std::vector<std::string> args(words->begin() + 1, words->end());
    if (command == "FILE") return File(args);
    if (command == "TRACK") return Track(args);
    if (command == "INDEX") return Index(args);
    if (command == "PREGAP") return Pregap(args);
    if (command == "CATALOG") return Catalog(args);
    if (command == "ISRC") return Isrc(args);
    if (command == "FLAGS") return Flags(args);
    if (command == "TITLE" || command == "PERFORMER" || command == "SONGWRITER") return Text(command, args);
    if (command == "POSTGAP") return Fail("POSTGAP is not supported: store the gap in the file");
    if (command == "CDTEXTFILE") return Fail("CDTEXTFILE is not supported: give TITLE and PERFORMER lines");
    if (std::find(kIgnored.begin(), kIgnored.end(), command) != kIgnored.end()) return true;
    return Fail("unknown command \"" + (*words)[0] + "\"");
  }

  bool File(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].empty()) return Fail("FILE needs a file name and a type");
    const std::string type = Upper(args[1]);
    if (type != "BINARY") return Fail("FILE type " + args[1] + " is not supported (only BINARY)");
    if (!cue_.tracks.empty() && !TrackComplete()) return false;
    cue_.files.push_back({args[0], line_});
    fileTracks_ = 0;
    return true;
  }

  bool Track(const std::vector<std::string>& args) {
    if (cue_.files.empty()) return Fail("TRACK before any FILE");
    if (args.size() != 2) return Fail("TRACK needs a number and a mode");
    const int number = Number(args[0]);
    if (number < 1 || number > kMaxTrackNumber) return Fail("track number " + args[0] + " is not between 1 and 99");
    if (!cue_.tracks.empty()) {
      if (!TrackComplete()) return false;
      if (number != cue_.tracks.back().number + 1) return Fail("track " + args[0] + " does not follow the track before");
    }
    const std::optional<TrackMode> mode = ModeNamed(Upper(args[1]));
    if (!mode) return Fail("track mode " + args[1] + " is not supported (AUDIO, MODE1/2048, MODE1/2352, MODE2/2336, MODE2/2352)");
    CueTrack track;
    track.number = number;
    track.mode = *mode;
    track.file = cue_.files.size() - 1;
    track.line = line_;
    cue_.tracks.push_back(track);
    ++fileTracks_;
    return true;
  }

  bool Index(const std::vector<std::string>& args) {
    if (cue_.tracks.empty()) return Fail("INDEX before any TRACK");
    if (args.size() != 2) return Fail("INDEX needs a number and a time mm:ss:ff");
    const int number = Number(args[0]);
    const std::int32_t frames = Frames(args[1]);
    if (number < 0 || number > kMaxTrackNumber) return Fail("index number " + args[0] + " is not between 0 and 99");
    if (frames < 0) return Fail("INDEX time " + args[1] + " is not mm:ss:ff");
    CueTrack& track = cue_.tracks.back();
    if (!track.indexes.empty() && number != track.indexes.back().number + 1) {
      return Fail("INDEX " + args[0] + " does not follow the index before");
    }
    if (track.indexes.empty() && number > 1) return Fail("INDEX " + args[0] + " before INDEX 01");
    const bool firstOfFile = track.indexes.empty() && fileTracks_ == 1;
    if (firstOfFile && frames != 0) return Fail("the first INDEX of a FILE must be at 00:00:00");
    if (lastFrames_ && !firstOfFile && frames <= *lastFrames_) {
      return Fail("INDEX time " + args[1] + " is not after the index before");
    }
    track.indexes.push_back({number, frames, line_});
    lastFrames_ = frames;
    return true;
  }

  bool Pregap(const std::vector<std::string>& args) {
    if (cue_.tracks.empty() || !cue_.tracks.back().indexes.empty()) return Fail("PREGAP must come between TRACK and its INDEX lines");
    const std::int32_t frames = args.size() == 1 ? Frames(args[0]) : -1;
    if (frames < 0) return Fail("PREGAP needs a time mm:ss:ff");
    cue_.tracks.back().pregapFrames = frames;
    return true;
  }

  bool Catalog(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].size() != 13 || !AllOf(args[0], isdigit)) return Fail("CATALOG needs 13 digits");
    cue_.catalog = args[0];
    return true;
  }

  bool Isrc(const std::vector<std::string>& args) {
    if (cue_.tracks.empty()) return Fail("ISRC before any TRACK");
    // Country and owner: 5 letters or digits; year and serial number: 7 digits.
    if (args.size() != 1 || args[0].size() != 12 || !AllOf(args[0].substr(0, 5), isalnum) ||
        !AllOf(args[0].substr(5), isdigit)) {
      return Fail("ISRC needs 5 letters or digits, then 7 digits (like USABC2412345)");
    }
    cue_.tracks.back().isrc = Upper(args[0]);
    return true;
  }

  bool Flags(const std::vector<std::string>& args) {
    if (cue_.tracks.empty()) return Fail("FLAGS before any TRACK");
    CueTrack& track = cue_.tracks.back();
    for (const std::string& flag : args) {
      const std::string name = Upper(flag);
      if (name == "DCP") track.copyPermitted = true;
      else if (name == "PRE") track.preEmphasis = true;
      else if (name == "4CH") track.fourChannel = true;
      else if (name != "SCMS") return Fail("unknown track flag " + flag);
    }
    return true;
  }

  bool Text(const std::string& command, const std::vector<std::string>& args) {
    if (args.size() != 1) return Fail(command + " needs one text (quoted when it has spaces)");
    CueTexts& texts = cue_.tracks.empty() ? cue_.texts : cue_.tracks.back().texts;
    (command == "TITLE" ? texts.title : command == "PERFORMER" ? texts.performer : texts.songwriter) = args[0];
    return true;
  }

  bool TrackComplete() {
    const CueTrack& track = cue_.tracks.back();
    if (std::none_of(track.indexes.begin(), track.indexes.end(), [](const CueIndex& index) { return index.number == 1; })) {
      line_ = track.line;
      return Fail("track " + std::to_string(track.number) + " has no INDEX 01");
    }
    return true;
  }

  bool Fail(const std::string& message) {
    error_ = "line " + std::to_string(line_) + ": " + message;
    return false;
  }

  ImageCue cue_;
  int line_ = 0;
  int fileTracks_ = 0;
  std::optional<std::int32_t> lastFrames_;
  std::string error_;
};

}  // namespace

int BlockSize(TrackMode mode) {
  switch (mode) {
    case TrackMode::Mode1: return 2048;
    case TrackMode::Mode2: return 2336;
    case TrackMode::Audio:
    case TrackMode::Mode1Raw:
    case TrackMode::Mode2Raw:
      break;
  }
  return 2352;
}

ImageCueResult ParseImageCue(std::string_view text) { return Parser{}.Parse(text); }

}  // namespace brenmark::burnimage
