#include "reports/ReportDrive.h"

namespace brenmark {

int OpenReportDrive(DriveRegistry& registry, UserPrompt& prompt) {
  const int index = registry.currentDrive;
  if (index < 0 || index >= registry.driveCount) {
    prompt.ShowMessage(kNoReportDriveText, MessageIcon::Plain);
    return -1;
  }
  if (!registry.OpenDevice(index)) {
    prompt.ShowMessage(registry.OpenFailureText(index, kReportOpenFailedText), MessageIcon::Plain);
    return -1;
  }
  return index;
}

}  // namespace brenmark
