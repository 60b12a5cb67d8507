#include <windows.h>

#include "drive/PlatformDevices.h"
#include "drive/windows/AspiDeviceProvider.h"
#include "drive/windows/SptiDeviceProvider.h"
#include "drive/windows/TransportChoice.h"

namespace brenmark {

std::unique_ptr<DeviceProvider> MakePlatformDeviceProvider(UserPrompt& prompt,
                                                           std::string_view forcedTransport) {
  const auto mode = windows::ChooseTransport(GetVersion(), forcedTransport);
  if (!mode) return nullptr;
  if (*mode == AccessMode::Aspi) return std::make_unique<windows::AspiDeviceProvider>(prompt);
  return std::make_unique<windows::SptiDeviceProvider>();
}

}  // namespace brenmark
