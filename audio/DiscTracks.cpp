#include "audio/DiscTracks.h"

#include <vector>

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::int32_t kHighestLastTrack = 99;

}  // namespace

TrackTimeTable ReadDiscTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  if (drive < 0) return {};
  if (!registry.OpenDevice(drive)) {
    prompt.ShowMessage("Error occure while opening device.", MessageIcon::Plain);
    return {};
  }
  TrackTimeTable table;
  const std::int32_t lastTrack = registry.GetLastTrackNumber(drive);
  if (lastTrack >= 1 && lastTrack <= kHighestLastTrack) {
    std::vector<std::uint8_t> toc(kTocLength);
    if (registry.ReadToc(drive, kTocLength, toc.data())) {
      table = ReadTrackTimes(toc.data(), toc.size());
    } else {
      prompt.ShowMessage("Error occure while reading TOC data.", MessageIcon::Plain);
    }
  }
  registry.CloseDevice(drive);
  return table;
}

}  // namespace brenmark::audio
