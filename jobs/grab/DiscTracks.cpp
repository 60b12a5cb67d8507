#include "jobs/grab/DiscTracks.h"

#include <algorithm>
#include <vector>

#include "drive/SenseCode.h"

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::int32_t kHighestLastTrack = 99;

bool NoMedium(const CommandOutcome& outcome) { return outcome.sense && IsMediumNotPresent(*outcome.sense); }

// The state and tracks of the disc in an opened drive.
AudioDisc ReadOpenedDisc(DriveHandle& drive) {
  AudioDisc disc;
  const DriveResult<DiscSummary> summary = drive.ReadDiscSummary();
  if (!summary && NoMedium(summary.outcome())) {
    disc.state = AudioDiscState::NoDisc;
    return disc;
  }
  if (summary && summary->blank) {
    disc.state = AudioDiscState::Blank;
    return disc;
  }
  // A drive that does not say how many tracks there are is still asked for them.
  const std::int32_t lastTrack = summary ? summary->lastTrackNumber : kHighestLastTrack;
  if (lastTrack < 1 || lastTrack > kHighestLastTrack) return disc;
  std::vector<std::uint8_t> toc(kTocLength);
  const DriveStatus read = drive.ReadToc(toc);
  if (!read) {
    if (NoMedium(read.outcome())) disc.state = AudioDiscState::NoDisc;
    return disc;
  }
  disc.tracks = ReadTrackTimes(toc.data(), toc.size());
  if (disc.tracks.tracks.empty()) return disc;
  const bool anyAudio =
      std::any_of(disc.tracks.tracks.begin(), disc.tracks.tracks.end(), [](const TrackTime& track) { return !track.data; });
  disc.state = anyAudio ? AudioDiscState::AudioTracks : AudioDiscState::OnlyData;
  return disc;
}

const char* RefusalText(AudioDiscState state) {
  switch (state) {
    case AudioDiscState::NoDisc:
      return kNoDiscText;
    case AudioDiscState::Blank:
      return kBlankDiscText;
    case AudioDiscState::OnlyData:
      return kNoAudioTracksText;
    case AudioDiscState::Unreadable:
      return kTocReadFailedText;
    case AudioDiscState::AudioTracks:
    case AudioDiscState::DriveNotOpened:
      break;
  }
  return nullptr;
}

}  // namespace

AudioDisc ReadAudioDisc(DriveRegistry& registry, int drive, UserPrompt& prompt) {
  DriveResult<DriveHandle> handle = registry.Open(drive);
  if (!handle) {
    prompt.ShowMessage(OpenFailureText(handle.outcome(), "Error occure while opening device."), MessageIcon::Plain);
    return {AudioDiscState::DriveNotOpened, {}};
  }
  AudioDisc disc = ReadOpenedDisc(*handle);
  if (const char* refusal = RefusalText(disc.state)) prompt.ShowMessage(refusal, MessageIcon::Plain);
  return disc;
}

std::optional<DiscTrackList> ReadTrackList(DriveRegistry& registry, DriveLeases& leases, int drive,
                                           UserPrompt& prompt) {
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0 && !(lease = leases.TryAcquire(drive))) return std::nullopt;
  DiscTrackList list;
  if (drive < 0) return list;
  const AudioDisc disc = ReadAudioDisc(registry, drive, prompt);
  list.failed = disc.state != AudioDiscState::AudioTracks;
  for (int track = 1; !list.failed && disc.tracks.Holds(track); ++track) {
    list.lines.push_back(TrackListText(track, disc.tracks.Start(track), disc.tracks.End(track)));
  }
  return list;
}

}  // namespace brenmark::audio
