#include "reports/DiscReport.h"

#include "reports/DiscReportText.h"
#include "reports/ReportDrive.h"

namespace brenmark {

bool ShowDiscReport(DriveRegistry& registry, UserPrompt& prompt) {
  const int index = OpenReportDrive(registry, prompt);
  if (index < 0) return false;

  if (!registry.IsMediaPresent(index)) {
    prompt.ShowMessage(kNoMediaText, MessageIcon::Plain);
    registry.CloseDevice(index);
    return false;
  }
  DiscReportValues values;
  if (!registry.GetDiscInfo(index, &values.sessionCount, &values.lastTrackNumber,
                            &values.statusMask)) {
    prompt.ShowMessage(kDiscInfoFailedText, MessageIcon::Plain);
    registry.CloseDevice(index);
    return false;
  }
  values.lastBlockAddress = registry.ReadCapacity(index);
  values.lastLeadOutStartFrames = registry.GetDiscCapacity(index);
  if (registry.ReadSessions(index)) values.toc = registry.discToc;

  prompt.ShowMessage(BuildDiscReportText(values), MessageIcon::Plain);
  registry.CloseDevice(index);
  return true;
}

}  // namespace brenmark
