#pragma once

#include "jobs/Job.h"

namespace brenmark {

// Burns the image file named first in the job's source files on a blank
// disc: an .iso as a data CD (track at once, Mode 1) or a data DVD (session
// at once), a .cue with the files it names in one session at once with every
// track, pregap, index, ISRC, catalogue number and CD-TEXT it holds. The
// image is checked whole before anything is written.
JobEnd ImageBurnJob(JobContext& context);

namespace imagetext {
inline constexpr const char* kNotAnImage = "Only .iso and .cue images can be burned: %s";
inline constexpr const char* kImageRefused = "The image cannot be burned: %s";
inline constexpr const char* kNeedsBlank =
    "An image is burned on a blank disc: the disc in the drive already holds data.";
inline constexpr const char* kCueNeedsCd = "A .cue image is burned on a CD; the disc in the drive is not one.";
inline constexpr const char* kDone = "Image burned.";
}  // namespace imagetext

}  // namespace brenmark
