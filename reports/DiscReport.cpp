#include "reports/DiscReport.h"

#include "reports/DiscReportText.h"
#include "reports/ReportDrive.h"

namespace brenmark {

bool ShowDiscReport(DriveRegistry& registry, UserPrompt& prompt) {
  std::optional<DriveHandle> drive = OpenReportDrive(registry, prompt);
  if (!drive) return false;

  if (!drive->ReadDiscSummary()) {
    prompt.ShowMessage(kNoMediaText, MessageIcon::Plain);
    return false;
  }
  const DriveResult<DiscStatus> status = drive->GetDiscInfo();
  if (!status) {
    prompt.ShowMessage(kDiscInfoFailedText, MessageIcon::Plain);
    return false;
  }
  DiscReportValues values;
  values.sessionCount = status->sessionCount;
  values.lastTrackNumber = status->lastTrackNumber;
  values.statusMask = status->statusMask;
  values.lastBlockAddress = drive->ReadCapacity().value_or(0);
  values.lastLeadOutStartFrames = drive->ReadDiscSummary().value_or({}).capacityFrames;
  if (DriveResult<DiscToc> toc = drive->ReadSessions()) values.toc = std::move(*toc);

  // Shown while the drive is still open, as every message of this report.
  prompt.ShowMessage(BuildDiscReportText(values), MessageIcon::Plain);
  return true;
}

}  // namespace brenmark
