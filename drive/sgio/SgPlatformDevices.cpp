#include "drive/PlatformDevices.h"
#include "drive/sgio/SgDeviceProvider.h"

namespace brenmark {

// SG_IO is this system's pass-through; there is no host-adapter library.
std::unique_ptr<DeviceProvider> MakePlatformDeviceProvider(UserPrompt&,
                                                           std::string_view forcedTransport) {
  if (!forcedTransport.empty() && forcedTransport != "spti") return nullptr;
  return std::make_unique<sgio::SgDeviceProvider>("/dev", "/sys/class/block", sgio::ExtraDevicesFromEnvironment());
}

}  // namespace brenmark
