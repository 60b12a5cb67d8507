// `brenmark-cli grab`: the grab job with its format, bit rate and tracks
// from the command line; the disc's audio tracks when none are named.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"
#include "shell/cli/PathLine.h"

namespace brenmark::cli {
namespace {

using audio::kMp3Bitrates;

struct GrabRequest {
  audio::GrabSettings settings;
  std::optional<std::array<std::uint8_t, JobState::kTrackSlots>> tracks;
  std::string folder;
};

std::optional<int> ParseNumber(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "1,3-5" as track slots; nothing for a malformed list or a track outside 1-99.
std::optional<std::array<std::uint8_t, JobState::kTrackSlots>> ParseTrackList(const std::string& list) {
  std::array<std::uint8_t, JobState::kTrackSlots> slots{};
  std::size_t from = 0;
  while (from <= list.size()) {
    const std::size_t comma = std::min(list.find(',', from), list.size());
    const std::string_view item(list.data() + from, comma - from);
    const std::size_t dash = item.find('-');
    const auto first = ParseNumber(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : ParseNumber(item.substr(dash + 1));
    if (!first || !last || *first < 1 || *last > static_cast<int>(JobState::kTrackSlots) || *first > *last) {
      return std::nullopt;
    }
    for (int track = *first; track <= *last; ++track) slots[static_cast<std::size_t>(track - 1)] = 1;
    from = comma + 1;
  }
  return slots;
}

std::optional<GrabRequest> ParseGrabArguments(CliSession& session, const std::vector<std::string>& arguments) {
  GrabRequest request;
  // Files at the output names are named and left alone unless --overwrite or --yes is given.
  request.settings.existingOutputs = session.options().answer.value_or(false) ? audio::ExistingOutputs::Replace
                                                                             : audio::ExistingOutputs::Refuse;
  request.settings.missingFolder = audio::MissingFolder::Create;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool takesValue = argument == "--format" || argument == "--bitrate" || argument == "--tracks";
    if (argument == "--overwrite") {
      request.settings.existingOutputs = audio::ExistingOutputs::Replace;
      continue;
    }
    if (!takesValue) {
      if (argument.size() > 1 && argument[0] == '-') {
        session.Complain("grab: unknown option " + argument);
        return std::nullopt;
      }
      positional.push_back(argument);
      continue;
    }
    if (i + 1 == arguments.size()) {
      session.Complain("grab: " + argument + " needs a value");
      return std::nullopt;
    }
    const std::string& value = arguments[++i];
    if (argument == "--format") {
      if (value != "wav" && value != "mp3") {
        session.Complain("grab: --format is wav or mp3, not " + value);
        return std::nullopt;
      }
      request.settings.format = value == "wav" ? audio::GrabFormat::Wav : audio::GrabFormat::Mp3;
    } else if (argument == "--bitrate") {
      const auto kbps = ParseNumber(value);
      const auto* found = kbps ? std::find(std::begin(kMp3Bitrates), std::end(kMp3Bitrates), *kbps) : std::end(kMp3Bitrates);
      if (found == std::end(kMp3Bitrates)) {
        std::string listed;
        for (int rate : kMp3Bitrates) listed += " " + std::to_string(rate);
        session.Complain("grab: --bitrate must be one of" + listed + " kbit/s, not " + value);
        return std::nullopt;
      }
      request.settings.bitrateKbps = *found;
    } else {
      request.tracks = ParseTrackList(value);
      if (!request.tracks) {
        session.Complain("grab: --tracks takes track numbers 1-99 and ranges, like 1,3-5; not " + value);
        return std::nullopt;
      }
    }
  }
  if (positional.size() != 1 || positional[0].empty()) {
    session.Complain("usage: grab [--format wav|mp3] [--bitrate KBPS] [--tracks LIST] [--overwrite] OUTPUT_FOLDER");
    return std::nullopt;
  }
  request.folder = positional[0];
  return request;
}

// Every audio track of the disc, read as the track dialog reads it; the drive
// is held while it is read.
std::optional<std::array<std::uint8_t, JobState::kTrackSlots>> AudioTracksOnDisc(CliSession& session, int drive) {
  std::array<std::uint8_t, JobState::kTrackSlots> slots{};
  if (drive < 0) return slots;
  const auto lease = session.leases().TryAcquire(drive);
  if (!lease) {
    session.prompt().ShowMessage(session.leases().RefusalMessage(drive), MessageIcon::Error);
    return std::nullopt;
  }
  // An empty tray, a blank or data-only disc and an unreadable one are each told as such.
  const audio::AudioDisc disc = audio::ReadAudioDisc(session.registry(), drive, session.prompt());
  if (disc.state != audio::AudioDiscState::AudioTracks) return std::nullopt;
  const std::vector<audio::TrackTime>& tracks = disc.tracks.tracks;
  for (std::size_t slot = 0; slot < tracks.size() && slot < slots.size(); ++slot) slots[slot] = tracks[slot].data ? 0 : 1;
  return slots;
}

}  // namespace

int RunGrab(CliSession& session, const std::vector<std::string>& arguments) {
  const auto request = ParseGrabArguments(session, arguments);
  if (!request) return kExitUsage;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  // Read even when the tracks are named, so that a disc with nothing to grab
  // is told as such rather than as a failed read of its tracks.
  const auto tracksOnDisc = AudioTracksOnDisc(session, *drive);
  if (!tracksOnDisc) return kExitFailed;

  JobState& state = session.jobState();
  state.outputFolder = request->folder;
  state.trackSelected = request->tracks ? *request->tracks : *tracksOnDisc;
  state.grabSettings = request->settings;

  auto progress = session.NewProgress();
  audio::GrabOptions options;
  options.onTrackWritten = [&session, progress](const audio::GrabbedTrack& track) {
    progress->BreakLine();
    platform::PrintText(session.err(), "%s\n", audio::ChecksumLine(track).c_str());
    platform::PrintText(session.out(), "%s\n", PathLine(platform::Utf8FromPath(track.path)).c_str());
    std::fflush(session.out());
  };
  auto job = session.jobs().Start(audio::MakeGrabJob(std::move(options)),
                                  SnapshotJobInputs(state, session.registry()), progress, {},
                                  nullptr, session.StopOnInterrupt());
  if (!job) return kExitFailed;
  job->Wait();
  progress->BreakLine();
  if (job->result() == JobEnd::OutputsExist) session.Complain("grab: give --overwrite to replace them");
  return job->result() == JobEnd::Done ? kExitDone : kExitFailed;
}

}  // namespace brenmark::cli
