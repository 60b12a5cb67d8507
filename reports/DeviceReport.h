#pragma once

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"

namespace brenmark {

inline constexpr char kCapabilitiesFailedText[] =
    "Error occure while retrieving Device Capabilities.";

// "Get Device Info": opens the current drive, reads its capability page, closes
// it and shows the report in a plain message box; a failure shows its message
// instead. True when the report text was shown.
bool ShowDeviceReport(DriveRegistry& registry, UserPrompt& prompt);

}  // namespace brenmark
