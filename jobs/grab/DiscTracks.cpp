#include "jobs/grab/DiscTracks.h"

#include <vector>

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::int32_t kHighestLastTrack = 99;

// The tracks of the disc in an opened drive; false when the drive answered a
// last track number but not the table of contents.
bool ReadOpenedDiscTracks(DriveRegistry& registry, int drive, TrackTimeTable& table) {
  const std::int32_t lastTrack = registry.GetLastTrackNumber(drive);
  if (lastTrack < 1 || lastTrack > kHighestLastTrack) return true;
  std::vector<std::uint8_t> toc(kTocLength);
  if (!registry.ReadToc(drive, kTocLength, toc.data())) return false;
  table = ReadTrackTimes(toc.data(), toc.size());
  return true;
}

bool OpenForTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  if (registry.OpenDevice(drive)) return true;
  prompt.ShowMessage(registry.OpenFailureText(drive, "Error occure while opening device."), MessageIcon::Plain);
  return false;
}

}  // namespace

TrackTimeTable ReadDiscTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  if (drive < 0 || !OpenForTracks(registry, drive, prompt)) return {};
  TrackTimeTable table;
  if (!ReadOpenedDiscTracks(registry, drive, table)) prompt.ShowMessage(kTocReadFailedText, MessageIcon::Plain);
  registry.CloseDevice(drive);
  return table;
}

std::optional<DiscTrackList> ReadTrackList(DriveRegistry& registry, DriveLeases& leases, int drive,
                                           UserPrompt& prompt) {
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0 && !(lease = leases.TryAcquire(drive))) return std::nullopt;
  DiscTrackList list;
  if (drive < 0) return list;
  if (!OpenForTracks(registry, drive, prompt)) {
    list.failed = true;
    return list;
  }
  // A blank disc has no table of contents to read; any other disc that gives
  // no track has one that could not be read.
  TrackTimeTable tracks;
  if (!registry.IsDiscBlank(drive)) {
    list.failed = !ReadOpenedDiscTracks(registry, drive, tracks) || !tracks.Holds(1);
  }
  registry.CloseDevice(drive);
  if (list.failed) prompt.ShowMessage(kTocReadFailedText, MessageIcon::Plain);
  for (int track = 1; tracks.Holds(track); ++track) {
    list.lines.push_back(TrackListText(track, tracks.Start(track), tracks.End(track)));
  }
  return list;
}

}  // namespace brenmark::audio
