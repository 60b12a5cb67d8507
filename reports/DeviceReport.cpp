#include "reports/DeviceReport.h"

#include <array>

#include "reports/DeviceReportText.h"
#include "reports/ReportDrive.h"

namespace brenmark {

bool ShowDeviceReport(DriveRegistry& registry, UserPrompt& prompt) {
  std::optional<DriveHandle> drive = OpenReportDrive(registry, prompt);
  if (!drive) return false;

  std::array<std::uint32_t, kMaxReportedSpeeds + 1> speeds{};  // room for the terminating 0
  const DriveResult<DriveCapabilities> capabilities = drive->GetCapabilities(speeds);
  if (!capabilities) {
    prompt.ShowMessage(kCapabilitiesFailedText, MessageIcon::Plain);
    return false;
  }
  DeviceReportValues values;
  values.capabilityMask = capabilities->mask;
  values.loadingMechanism = capabilities->loadingMechanism;
  values.bufferSizeKb = capabilities->bufferSizeKb;
  values.displayName = drive->drive().displayName;
  values.interfaceStandard = drive->drive().interfaceStandard;
  values.speedList.assign(speeds.begin(), speeds.end());
  values.profiles = drive->ReadProfiles().value_or({}).supported;

  const std::string text = BuildDeviceReportText(values);
  // Closed before the text shows.
  drive.reset();
  prompt.ShowMessage(text, MessageIcon::Plain);
  return true;
}

}  // namespace brenmark
