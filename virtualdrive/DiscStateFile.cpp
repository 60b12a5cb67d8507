#include "virtualdrive/DiscStateFile.h"

#include <sstream>

namespace brenmark::virtualdrive {

namespace {

constexpr std::string_view kCueRemark = "REM DISC-STATE ";

std::string KindName(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return "audio";
    case TrackKind::Mode1: return "mode1";
    case TrackKind::Mode2: return "mode2";
  }
  return "mode1";
}

std::optional<TrackKind> KindNamed(const std::string& name) {
  if (name == "audio") return TrackKind::Audio;
  if (name == "mode1") return TrackKind::Mode1;
  if (name == "mode2") return TrackKind::Mode2;
  return std::nullopt;
}

std::string HexOf(const cdtext::Pack& pack) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t byte : pack) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::optional<cdtext::Pack> PackOfHex(const std::string& hex) {
  if (hex.size() != 36) return std::nullopt;
  cdtext::Pack pack{};
  for (std::size_t at = 0; at < 36; ++at) {
    const char c = hex[at];
    const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (value < 0) return std::nullopt;
    pack[at / 2] = static_cast<std::uint8_t>(pack[at / 2] << 4 | value);
  }
  return pack;
}

// The track numbered `number` among those read so far.
DiscTrack* TrackRead(DiscState& disc, int number) {
  for (DiscTrack& track : disc.tracks) {
    if (track.number == number) return &track;
  }
  return nullptr;
}

DiscStateParseResult Fail(int lineNumber, const std::string& what) {
  return {std::nullopt, "disc state line " + std::to_string(lineNumber) + ": " + what};
}

std::string CheckConsistency(const DiscState& disc) {
  std::int32_t previousEnd = 0;
  for (std::size_t index = 0; index < disc.tracks.size(); ++index) {
    const DiscTrack& track = disc.tracks[index];
    if (track.number != static_cast<int>(index) + 1 || track.number > 99) return "tracks out of order";
    if (track.pregapStart < previousEnd || track.pregapStart > track.start || track.start > track.end ||
        track.runOut < 0 || track.ExtentEnd() > disc.Capacity()) {
      return "track " + std::to_string(track.number) + " has an impossible extent";
    }
    if (!track.closed && index + 1 != disc.tracks.size()) return "only the last track can be open";
    const int previousSession = index == 0 ? 1 : disc.tracks[index - 1].session;
    if (track.session < previousSession || track.session > static_cast<int>(disc.sessions.size()) + 1) {
      return "track " + std::to_string(track.number) + " names an impossible session";
    }
    previousEnd = track.ExtentEnd();
  }
  for (std::size_t index = 0; index < disc.sessions.size(); ++index) {
    const DiscSession& session = disc.sessions[index];
    if (session.number != static_cast<int>(index) + 1) return "sessions out of order";
    bool hasTrack = false;
    for (const DiscTrack& track : disc.tracks) {
      hasTrack = hasTrack || track.session == session.number;
      if (track.session == session.number && (!track.closed || track.ExtentEnd() > session.leadOutStart)) {
        return "session " + std::to_string(session.number) + " ends before its tracks";
      }
    }
    if (!hasTrack) return "session " + std::to_string(session.number) + " has no track";
    if (!session.nextSessionAllowed && index + 1 != disc.sessions.size()) return "a closed disc has a later session";
  }
  if (disc.finalized && disc.sessions.empty()) return "a complete disc needs a session";
  if (disc.finalized && disc.sessions.back().nextSessionAllowed) return "a complete disc allows no next session";
  if (!disc.finalized && !disc.sessions.empty() && !disc.sessions.back().nextSessionAllowed) {
    return "the last session closed the disc";
  }
  if (disc.reservedBlocks < 0 || disc.reservedBlocks > disc.Capacity()) return "impossible reservation";
  return {};
}

}  // namespace

std::string FormatDiscState(const DiscState& disc) {
  std::ostringstream out;
  out << "brenmark-disc 1\n";
  out << "medium " << MediumName(disc.kind) << "\n";
  if (IsCdMedium(disc.kind) && disc.minutes != geometry::kDefaultCdMinutes) out << "minutes " << disc.minutes << "\n";
  out << "finalized " << (disc.finalized ? 1 : 0) << "\n";
  out << "reserved " << disc.reservedBlocks << "\n";
  if (disc.formatted) out << "formatted 1\n";
  for (const DiscSession& session : disc.sessions) {
    out << "session " << session.number << ' ' << session.leadOutStart << ' ' << (session.nextSessionAllowed ? 1 : 0)
        << ' ' << static_cast<int>(session.format) << "\n";
  }
  for (const DiscTrack& track : disc.tracks) {
    out << "track " << track.number << ' ' << track.session << ' ' << KindName(track.kind) << ' '
        << track.pregapStart << ' ' << track.start << ' ' << track.end << ' ' << track.runOut << ' '
        << (track.closed ? 1 : 0) << "\n";
  }
  if (!disc.catalog.empty()) out << "catalog " << disc.catalog << "\n";
  for (const DiscTrack& track : disc.tracks) {
    if (!track.isrc.empty()) out << "isrc " << track.number << ' ' << track.isrc << "\n";
    for (const std::int32_t index : track.indexes) out << "index " << track.number << ' ' << index << "\n";
  }
  for (const cdtext::Pack& pack : disc.cdText) out << "cdtext " << HexOf(pack) << "\n";
  return out.str();
}

std::string DiscStateAsCueRemarks(const DiscState& disc) {
  std::istringstream lines(FormatDiscState(disc));
  std::string remarks;
  for (std::string line; std::getline(lines, line);) remarks.append(kCueRemark).append(line).append("\n");
  return remarks;
}

std::string DiscStateInCueRemarks(std::string_view cueText) {
  std::istringstream lines{std::string(cueText)};
  std::string state;
  for (std::string line; std::getline(lines, line);) {
    // A sheet saved on Windows ends its lines in CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with(kCueRemark)) state.append(line, kCueRemark.size()).append("\n");
  }
  return state;
}

DiscStateParseResult ParseDiscState(std::string_view text) {
  std::istringstream lines{std::string(text)};
  std::string line;
  int lineNumber = 0;
  DiscState disc;
  bool sawHeader = false;
  bool sawMedium = false;
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::istringstream fields(line);
    std::string key;
    if (!(fields >> key)) continue;
    if (!sawHeader) {
      int version = 0;
      if (key != "brenmark-disc" || !(fields >> version) || version != 1) return Fail(lineNumber, "not a disc state");
      sawHeader = true;
      continue;
    }
    bool ok = true;
    if (key == "medium") {
      std::string name;
      const auto kind = fields >> name ? MediumNamed(name) : std::nullopt;
      ok = kind.has_value();
      disc.kind = kind.value_or(MediumKind::CdR);
      sawMedium = ok;
    } else if (key == "minutes") {
      ok = static_cast<bool>(fields >> disc.minutes) && IsCdSizeOffered(disc.minutes);
    } else if (key == "finalized") {
      int value = 0;
      ok = static_cast<bool>(fields >> value) && (value == 0 || value == 1);
      disc.finalized = value == 1;
    } else if (key == "formatted") {
      int value = 0;
      ok = static_cast<bool>(fields >> value) && value == 1 && IsFormattable(disc.kind);
      disc.formatted = true;
    } else if (key == "reserved") {
      ok = static_cast<bool>(fields >> disc.reservedBlocks);
    } else if (key == "session") {
      DiscSession session;
      int allowed = 0;
      int format = 0;
      ok = static_cast<bool>(fields >> session.number >> session.leadOutStart >> allowed >> format) &&
           (allowed == 0 || allowed == 1) && (format == 0x00 || format == 0x10 || format == 0x20);
      session.nextSessionAllowed = allowed == 1;
      session.format = static_cast<std::uint8_t>(format);
      disc.sessions.push_back(session);
    } else if (key == "track") {
      DiscTrack track;
      std::string kindName;
      int closed = 0;
      ok = static_cast<bool>(fields >> track.number >> track.session >> kindName >> track.pregapStart >>
                             track.start >> track.end >> track.runOut >> closed) &&
           (closed == 0 || closed == 1);
      const auto kind = KindNamed(kindName);
      ok = ok && kind.has_value();
      track.kind = kind.value_or(TrackKind::Mode1);
      track.closed = closed == 1;
      disc.tracks.push_back(track);
    } else if (key == "catalog") {
      ok = static_cast<bool>(fields >> disc.catalog) && disc.catalog.size() == 13;
    } else if (key == "isrc" || key == "index") {
      int number = 0;
      DiscTrack* track = fields >> number ? TrackRead(disc, number) : nullptr;
      std::int32_t index = 0;
      ok = track != nullptr && (key == "isrc" ? static_cast<bool>(fields >> track->isrc) && track->isrc.size() == 12
                                              : static_cast<bool>(fields >> index));
      if (ok && key == "index") {
        ok = index > (track->indexes.empty() ? track->start : track->indexes.back()) && index < track->end;
        track->indexes.push_back(index);
      }
    } else if (key == "cdtext") {
      std::string hex;
      const auto pack = fields >> hex ? PackOfHex(hex) : std::nullopt;
      ok = pack.has_value();
      if (ok) disc.cdText.push_back(*pack);
    } else {
      ok = false;
    }
    std::string rest;
    if (!ok || (fields >> rest)) return Fail(lineNumber, "cannot read \"" + line + "\"");
  }
  if (!sawHeader || !sawMedium) return {std::nullopt, "disc state: header or medium missing"};
  if (const std::string problem = CheckConsistency(disc); !problem.empty()) {
    return {std::nullopt, "disc state: " + problem};
  }
  return {disc, {}};
}

}  // namespace brenmark::virtualdrive
