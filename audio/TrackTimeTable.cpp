#include "audio/TrackTimeTable.h"

#include <algorithm>
#include <cstdio>

namespace brenmark::audio {
namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kDescriptorSize = 11;
constexpr std::uint8_t kAdrPosition = 1;
constexpr std::uint8_t kLeadOutPoint = 0xA2;
constexpr std::uint8_t kControlData = 0x04;
constexpr std::uint32_t kSectorBytes = 2352;
constexpr std::uint32_t kBytesPerSecond = 176400;

}  // namespace

std::int32_t TrackTimeTable::Length(int trackNumber) const {
  return std::max(0, End(trackNumber).Frames() - Start(trackNumber).Frames());
}

TrackTimeTable ReadTrackTimes(const std::uint8_t* toc, std::size_t size) {
  TrackTimeTable table;
  if (toc == nullptr || size < 2) return table;
  const std::size_t end = std::min<std::size_t>(size, (toc[0] << 8 | toc[1]) + 2u);
  for (std::size_t at = kHeaderSize; at + kDescriptorSize <= end; at += kDescriptorSize) {
    const std::uint8_t* descriptor = toc + at;
    if ((descriptor[1] >> 4) != kAdrPosition) continue;
    const std::uint8_t point = descriptor[3];
    const MsfTime time{descriptor[8], descriptor[9], descriptor[10]};
    if (point == kLeadOutPoint) {
      table.leadOut = time;
    } else if (point >= 1 && point <= 99 && table.tracks.size() < TrackTimeTable::kMaxTracks) {
      table.tracks.push_back({time, (descriptor[1] & kControlData) != 0});
    }
  }
  return table;
}

std::string TrackListText(int trackNumber, MsfTime start, MsfTime end) {
  const std::int32_t frames = std::max(0, end.Frames() - start.Frames());
  const std::uint32_t bytes = static_cast<std::uint32_t>(frames) * kSectorBytes;
  const std::uint32_t seconds = bytes / kBytesPerSecond;
  char text[64];
  std::snprintf(text, sizeof text, "Track %02d - %02u:%02u -- Size: %.2f Mb", trackNumber, seconds / 60,
                seconds % 60, bytes / 1048576.0);
  return text;
}

std::string FormatMsf(MsfTime time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", time.minute, time.second, time.frame);
  return text;
}

}  // namespace brenmark::audio
