#pragma once

#include <cstdint>
#include <span>

#include "drive/CdCueSheet.h"
#include "jobs/Job.h"

namespace brenmark {

// Burns the job's WAV files as an audio CD in one session at once on a blank
// disc: the tracks back to back (or with the chosen pause between them), each
// at least 4 seconds, with CD-TEXT: the album's title and performer, and per
// track the title and artist of the file's INFO tags (the file's name without
// its extension when it has no title). The drive closes the disc.
JobEnd AudioCdSaoJob(JobContext& context);

// The session's cue for tracks of `trackSectors` blocks, numbered from 1: the
// first pregap at LBA -150, the first track at 0, each later track after a
// pause of `gapBlocks` (its index 0 when there is one).
cdcue::SessionCue AudioSessionCue(std::span<const std::uint32_t> trackSectors, std::uint32_t gapBlocks);

namespace saotext {
inline constexpr const char* kNeedsBlank =
    "A disc at once needs a blank CD: the disc in the drive already holds tracks.";
inline constexpr const char* kWriteModeRefused =
    "The recorder cannot write a disc at once (session at once): it refused the write type.";
inline constexpr const char* kCueSheetRefused = "The recorder refused the cue sheet of the disc.";
}  // namespace saotext

}  // namespace brenmark
