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
  const std::uint16_t profile = drive->ReadProfiles().value_or({}).current;
  const bool dvd = IsDvdProfile(profile);
  if (const DriveResult<DiscSummary> summary = drive->ReadDiscSummary()) {
    values.mediaSizeSectors = MediaSizeSectors(summary->lastLeadOutField, dvd, values.lastBlockAddress);
  }
  values.medium = MediumDescription(profile, values.statusMask);
  // The disc type byte names CD formats only.
  if (dvd) values.statusMask &= ~0x1C00u;
  if (DriveResult<DiscToc> toc = drive->ReadSessions()) {
    values.toc = std::move(*toc);
  } else if (dvd) {
    // A DVD has no table of contents in times: its tracks by block address.
    for (std::int32_t number = 1; number <= values.lastTrackNumber; ++number) {
      const DriveResult<TrackInformation> track = drive->ReadTrackInformation(number);
      if (!track || track->trackSize == track->freeBlocks) continue;  // nothing written yet
      values.blockTracks.push_back({number, track->sessionNumber, track->startAddress, track->trackSize});
    }
  }

  // Shown while the drive is still open, as every message of this report.
  prompt.ShowMessage(BuildDiscReportText(values), MessageIcon::Plain);
  return true;
}

}  // namespace brenmark
