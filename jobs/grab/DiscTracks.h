#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio/TrackTimeTable.h"
#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"
#include "jobs/DriveLeases.h"

namespace brenmark::audio {

// Told when the disc's table of contents cannot be read.
inline constexpr char kTocReadFailedText[] = "Error occure while reading TOC data.";
// The refusals of a grab told apart before any track is chosen.
inline constexpr char kNoDiscText[] = "There is no disc in the drive: insert an audio CD to grab.";
inline constexpr char kBlankDiscText[] = "The disc in the drive is blank: it holds no audio tracks to grab.";
inline constexpr char kNoAudioTracksText[] = "The disc in the drive holds only data tracks: no audio tracks to grab.";

// What a grab finds in a drive.
enum class AudioDiscState {
  AudioTracks,     // at least one audio track
  DriveNotOpened,  // the drive could not be opened
  NoDisc,          // the tray is empty
  Blank,           // a disc with nothing written
  OnlyData,        // tracks, none of them audio
  Unreadable,      // a written disc whose table of contents gave no track
};

// The tracks of the disc in a drive and what they make of it.
struct AudioDisc {
  AudioDiscState state = AudioDiscState::Unreadable;
  TrackTimeTable tracks;
};

// Reads the disc in an unleased drive (the caller holds its lease): the drive
// opened, its disc's state asked, the full table of contents read and walked,
// the drive closed. Anything but AudioTracks has been told through `prompt`.
AudioDisc ReadAudioDisc(DriveRegistry& registry, int drive, UserPrompt& prompt);

// The track dialog's lines for the disc in a drive, read holding the drive's
// lease as a report does. `failed`: there is nothing to grab, and the user has
// been told why (see AudioDiscState).
struct DiscTrackList {
  std::vector<std::string> lines;
  bool failed = false;
};

// Nothing when another job holds the drive. A drive index of -1 gives an
// empty list without touching any drive.
std::optional<DiscTrackList> ReadTrackList(DriveRegistry& registry, DriveLeases& leases, int drive,
                                           UserPrompt& prompt);

}  // namespace brenmark::audio
