#include "reports/ReportDrive.h"

namespace brenmark {

std::optional<DriveHandle> OpenReportDrive(DriveRegistry& registry, UserPrompt& prompt) {
  const int index = registry.currentDrive;
  if (index < 0 || index >= registry.driveCount) {
    prompt.ShowMessage(kNoReportDriveText, MessageIcon::Plain);
    return std::nullopt;
  }
  DriveResult<DriveHandle> handle = registry.Open(index);
  if (!handle) {
    prompt.ShowMessage(OpenFailureText(handle.outcome(), kReportOpenFailedText), MessageIcon::Plain);
    return std::nullopt;
  }
  return std::move(*handle);
}

}  // namespace brenmark
