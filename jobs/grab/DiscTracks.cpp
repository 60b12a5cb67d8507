#include "jobs/grab/DiscTracks.h"

#include <vector>

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::int32_t kHighestLastTrack = 99;

}  // namespace

TrackTimeTable ReadDiscTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  if (drive < 0) return {};
  if (!registry.OpenDevice(drive)) {
    prompt.ShowMessage(registry.OpenFailureText(drive, "Error occure while opening device."), MessageIcon::Plain);
    return {};
  }
  TrackTimeTable table;
  const std::int32_t lastTrack = registry.GetLastTrackNumber(drive);
  if (lastTrack >= 1 && lastTrack <= kHighestLastTrack) {
    std::vector<std::uint8_t> toc(kTocLength);
    if (registry.ReadToc(drive, kTocLength, toc.data())) {
      table = ReadTrackTimes(toc.data(), toc.size());
    } else {
      prompt.ShowMessage(kTocReadFailedText, MessageIcon::Plain);
    }
  }
  registry.CloseDevice(drive);
  return table;
}

std::optional<std::vector<std::string>> ReadTrackListLines(DriveRegistry& registry, DriveLeases& leases, int drive,
                                                           UserPrompt& prompt) {
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0 && !(lease = leases.TryAcquire(drive))) return std::nullopt;
  const TrackTimeTable tracks = ReadDiscTracks(registry, drive, prompt);
  std::vector<std::string> lines;
  for (int track = 1; tracks.Holds(track); ++track) {
    lines.push_back(TrackListText(track, tracks.Start(track), tracks.End(track)));
  }
  return lines;
}

}  // namespace brenmark::audio
