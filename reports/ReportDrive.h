#pragma once

#include <optional>

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"

namespace brenmark {

inline constexpr char kNoReportDriveText[] =
    "No CD/DVD Device is selected, so there is nothing to report on.";
inline constexpr char kReportOpenFailedText[] = "Error occure while opening Device.";

// Opens the registry's current drive for a report. When there is no current
// drive, or it cannot be opened, the user is told so and nothing comes back.
std::optional<DriveHandle> OpenReportDrive(DriveRegistry& registry, UserPrompt& prompt);

}  // namespace brenmark
