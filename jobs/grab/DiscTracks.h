#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio/TrackTimeTable.h"
#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"
#include "jobs/DriveLeases.h"

namespace brenmark::audio {

// The tracks of the disc in a drive, read as the track dialog opens: the drive
// opened, its last track number asked (1 to 99 go on), the full table of
// contents read and walked, the drive closed. An empty table when any step
// fails; the open and read failures are told through the prompt. A drive
// index of -1 gives an empty table without touching any drive.
TrackTimeTable ReadDiscTracks(DriveRegistry& registry, int drive, UserPrompt& prompt);

// Told when the disc's table of contents cannot be read (a blank disc has none).
inline constexpr char kTocReadFailedText[] = "Error occure while reading TOC data.";

// The track dialog's lines for the disc in a drive, read holding the drive's
// lease as a report does. `failed`: the drive could not be opened, or the disc
// is not blank and its table of contents gave no track; the user has been told
// which. A blank disc gives no line and no failure.
struct DiscTrackList {
  std::vector<std::string> lines;
  bool failed = false;
};

// Nothing when another job holds the drive.
std::optional<DiscTrackList> ReadTrackList(DriveRegistry& registry, DriveLeases& leases, int drive,
                                           UserPrompt& prompt);

}  // namespace brenmark::audio
