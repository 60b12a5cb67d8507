#pragma once

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"

namespace brenmark {

inline constexpr char kNoMediaText[] = "No media detected in selected Device.";
inline constexpr char kDiscInfoFailedText[] = "Error occure retrieving media information.";

// "Get Disc Info": opens the current drive, reads the disc's state, capacity and
// table of contents, shows the report in a plain message box and closes the
// drive. Without a readable table of contents the report ends after the
// capacity lines. A failure before that shows its message instead. True when
// the report text was shown.
bool ShowDiscReport(DriveRegistry& registry, UserPrompt& prompt);

}  // namespace brenmark
