#include "reports/DeviceReport.h"

#include <array>

#include "reports/DeviceReportText.h"
#include "reports/ReportDrive.h"

namespace brenmark {

bool ShowDeviceReport(DriveRegistry& registry, UserPrompt& prompt) {
  const int index = OpenReportDrive(registry, prompt);
  if (index < 0) return false;

  DeviceReportValues values;
  std::array<std::uint32_t, kMaxReportedSpeeds + 1> speeds{};  // room for the terminating 0
  if (!registry.GetCapabilities(index, &values.capabilityMask, &values.loadingMechanism,
                                &values.bufferSizeKb, speeds)) {
    prompt.ShowMessage(kCapabilitiesFailedText, MessageIcon::Plain);
    registry.CloseDevice(index);
    return false;
  }
  const Drive& drive = registry.drive(index);
  values.displayName = drive.displayName;
  values.interfaceStandard = drive.interfaceStandard;
  values.speedList.assign(speeds.begin(), speeds.end());

  const std::string text = BuildDeviceReportText(values);
  registry.CloseDevice(index);
  prompt.ShowMessage(text, MessageIcon::Plain);
  return true;
}

}  // namespace brenmark
