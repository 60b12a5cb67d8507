#include "reports/DiscReportText.h"

#include <initializer_list>

#include "drive/MediaProfile.h"
#include "reports/TextFormat.h"

namespace brenmark {
namespace {

using reports::FormatText;

// Status mask bits composed by GetDiscInfo.
namespace status {
constexpr std::uint32_t kEmptyDisc = 0x1;
constexpr std::uint32_t kIncompleteDisc = 0x2;
constexpr std::uint32_t kCompleteDisc = 0x4;
constexpr std::uint32_t kNotErasable = 0x20;
constexpr std::uint32_t kLastSessionEmpty = 0x40;
constexpr std::uint32_t kLastSessionIncomplete = 0x80;
constexpr std::uint32_t kLastSessionReserved = 0x100;
constexpr std::uint32_t kLastSessionComplete = 0x200;
constexpr std::uint32_t kCdDaOrCdRom = 0x400;
constexpr std::uint32_t kCdI = 0x800;
constexpr std::uint32_t kCdRomXa = 0x1000;
}  // namespace status

struct StatusWord {
  std::uint32_t bit;
  const char* text;
};

// Appends the text of the first listed bit that is set, if any.
void AppendFirstMatch(std::string& text, std::uint32_t mask,
                      std::initializer_list<StatusWord> words) {
  for (const StatusWord& word : words) {
    if (mask & word.bit) {
      text += word.text;
      return;
    }
  }
}

// Capacity figures are converted as unsigned and printed as signed, as the drive
// reports them.
std::string CapacityLine(const char* label, std::int32_t sectors) {
  const double megabytes = static_cast<double>(static_cast<std::uint32_t>(sectors)) * 0.002;
  return FormatText("%s - %.2f MB (%ld sectors)\n", label, megabytes, static_cast<long>(sectors));
}

std::int32_t Frames(std::int32_t minute, std::int32_t second, std::int32_t frame) {
  return minute * 4500 + second * 75 + frame;
}

const char* SessionTypeWords(std::int32_t discType) {
  switch (discType) {
    case 0x00: return " CD-Audio or Mode 1 ";
    case 0x10: return " CD-I disc ";
    case 0x20: return " CD XA - Mode 2, DDCD disc ";
    default: return "";
  }
}

void AppendSession(std::string& text, int number, const TocSession& session) {
  text += FormatText("Session %2d ", number);
  text += FormatText(" %02d:%02d:%02d ", session.startMinute, session.startSecond,
                     session.startFrame);
  text += SessionTypeWords(session.discType);
  const std::int32_t leadOut = session.LeadOut();
  if (leadOut != 0) {
    const std::uint32_t frames = static_cast<std::uint32_t>(leadOut) -
        static_cast<std::uint32_t>(
            Frames(session.startMinute, session.startSecond, session.startFrame));
    text += FormatText(" (%.2f MB) ", static_cast<double>(frames) * 2048 / 1024 / 1024);
  }
  text += '\n';

  for (int index = 0; index < session.trackCount(); ++index) {
    const TocTrack& track = session.tracks[static_cast<std::size_t>(index)];
    const std::int32_t length = session.TrackLength(index);
    text += FormatText("Track %2d ", track.trackNumber);
    text += FormatText(" %02d:%02d:%02d ", track.startMinute, track.startSecond, track.startFrame);
    text += FormatText(" %02d:%02d:%02d ", length / 4500, (length % 4500) / 75, length % 75);
    text += track.audio ? " Audio " : " Data ";
    text += '\n';
  }
  text += '\n';
}

// A DVD's sessions, each with its tracks: start block and size in blocks.
void AppendBlockSessions(std::string& text, const std::vector<DiscReportValues::BlockTrack>& tracks) {
  for (std::size_t first = 0; first < tracks.size();) {
    std::size_t end = first;
    std::int64_t blocks = 0;
    while (end < tracks.size() && tracks[end].session == tracks[first].session) blocks += tracks[end++].size;
    text += FormatText("Session %2d  block %d  (%.2f MB) \n", tracks[first].session, tracks[first].start,
                       static_cast<double>(blocks) * 2048 / 1024 / 1024);
    for (; first < end; ++first) {
      text += FormatText("Track %2d  block %d  %d blocks  Data \n", tracks[first].number, tracks[first].start,
                         tracks[first].size);
    }
    text += '\n';
  }
}

}  // namespace

std::string BuildDiscReportText(const DiscReportValues& values) {
  const std::uint32_t mask = values.statusMask;
  std::string text;

  text += FormatText("Sessions - %d\n", values.sessionCount);
  text += FormatText("Tracks - %d\n", values.lastTrackNumber);

  text += "Disc Status - ";
  AppendFirstMatch(text, mask,
                   {{status::kEmptyDisc, "Empty Disc"},
                    {status::kIncompleteDisc, "Incomplete Disc"},
                    {status::kCompleteDisc, "Complete Disc"}});
  text += '\n';

  text += "Disc Type - ";
  text += (mask & status::kNotErasable) ? "Not ReWritable" : "ReWritable";
  text += '\n';

  text += "Last Session Status - ";
  AppendFirstMatch(text, mask,
                   {{status::kLastSessionEmpty, "Empty"},
                    {status::kLastSessionIncomplete, "Incomplete"},
                    {status::kLastSessionReserved, "Reserved"},
                    {status::kLastSessionComplete, "Complete"}});
  text += '\n';

  text += "Disc Mode - ";
  AppendFirstMatch(text, mask,
                   {{status::kCdDaOrCdRom, "CD-DA or CD-ROM;"},
                    {status::kCdI, "CD-I;"},
                    {status::kCdRomXa, "CD-ROM XA, DDCD;"}});
  text += '\n';

  text += CapacityLine("Media Capacity", values.lastBlockAddress);
  text += CapacityLine("Media Size", values.mediaSizeSectors);
  if (!values.medium.empty()) text += "Medium - " + values.medium + "\n";

  if (values.toc) {
    int number = 1;
    for (const TocSession& session : values.toc->sessions) AppendSession(text, number++, session);
  } else {
    AppendBlockSessions(text, values.blockTracks);
  }
  return text;
}

std::int32_t MediaSizeSectors(std::uint32_t leadOutField, bool dvd, std::int32_t lastBlockAddress) {
  if (leadOutField == 0xFFFFFFFFu) return lastBlockAddress > 0 ? lastBlockAddress + 1 : 0;
  if (dvd) return static_cast<std::int32_t>(leadOutField);
  return Frames(static_cast<std::int32_t>(leadOutField >> 16 & 0xFF), static_cast<std::int32_t>(leadOutField >> 8 & 0xFF),
                static_cast<std::int32_t>(leadOutField & 0xFF));
}

std::string MediumDescription(std::uint16_t profile, std::uint32_t statusMask) {
  if (profile == 0) return {};
  std::string details = ProfileRecording(profile);
  const bool readOnly = profile == 0x0008 || profile == 0x0010;
  if (!readOnly) {
    const char* state = (statusMask & status::kEmptyDisc)        ? "blank"
                        : (statusMask & status::kIncompleteDisc) ? "open"
                        : IsOverwritableProfile(profile)         ? "formatted"
                                                                 : "closed";
    details += std::string(details.empty() ? "" : ", ") + state;
  }
  return ProfileName(profile) + (details.empty() ? "" : " (" + details + ")");
}

}  // namespace brenmark
