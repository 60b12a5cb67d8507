#include "jobs/grab/DiscTracks.h"

#include <vector>

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::int32_t kHighestLastTrack = 99;

// The tracks of the disc in an opened drive; false when the drive answered a
// last track number but not the table of contents.
bool ReadOpenedDiscTracks(DriveHandle& drive, TrackTimeTable& table) {
  const std::int32_t lastTrack = drive.ReadDiscSummary().value_or({}).lastTrackNumber;
  if (lastTrack < 1 || lastTrack > kHighestLastTrack) return true;
  std::vector<std::uint8_t> toc(kTocLength);
  if (!drive.ReadToc(toc)) return false;
  table = ReadTrackTimes(toc.data(), toc.size());
  return true;
}

std::optional<DriveHandle> OpenForTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  DriveResult<DriveHandle> handle = registry.Open(drive);
  if (handle) return std::move(*handle);
  prompt.ShowMessage(OpenFailureText(handle.outcome(), "Error occure while opening device."), MessageIcon::Plain);
  return std::nullopt;
}

}  // namespace

TrackTimeTable ReadDiscTracks(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  if (drive < 0) return {};
  std::optional<DriveHandle> handle = OpenForTracks(registry, drive, prompt);
  if (!handle) return {};
  TrackTimeTable table;
  if (!ReadOpenedDiscTracks(*handle, table)) prompt.ShowMessage(kTocReadFailedText, MessageIcon::Plain);
  return table;
}

std::optional<DiscTrackList> ReadTrackList(DriveRegistry& registry, DriveLeases& leases, int drive,
                                           UserPrompt& prompt) {
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0 && !(lease = leases.TryAcquire(drive))) return std::nullopt;
  DiscTrackList list;
  if (drive < 0) return list;
  std::optional<DriveHandle> handle = OpenForTracks(registry, drive, prompt);
  if (!handle) {
    list.failed = true;
    return list;
  }
  // A blank disc has no table of contents to read; any other disc that gives
  // no track has one that could not be read.
  TrackTimeTable tracks;
  if (!handle->ReadDiscSummary().value_or({}).blank) {
    list.failed = !ReadOpenedDiscTracks(*handle, tracks) || !tracks.Holds(1);
  }
  handle.reset();
  if (list.failed) prompt.ShowMessage(kTocReadFailedText, MessageIcon::Plain);
  for (int track = 1; tracks.Holds(track); ++track) {
    list.lines.push_back(TrackListText(track, tracks.Start(track), tracks.End(track)));
  }
  return list;
}

}  // namespace brenmark::audio
