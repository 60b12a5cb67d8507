#pragma once

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"

namespace brenmark {

inline constexpr char kNoReportDriveText[] =
    "No CD/DVD Device is selected, so there is nothing to report on.";
inline constexpr char kReportOpenFailedText[] = "Error occure while opening Device.";

// Opens the registry's current drive for a report and returns its index. When
// there is no current drive, or it cannot be opened, the user is told so and -1
// comes back; no drive operation is called without a valid index.
int OpenReportDrive(DriveRegistry& registry, UserPrompt& prompt);

}  // namespace brenmark
