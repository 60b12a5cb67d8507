#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "drive/ScsiTransport.h"
#include "drive/UserPrompt.h"
#include "drive/windows/AspiLibrary.h"

namespace brenmark::windows {

// Finds the CD/DVD devices behind the host-adapter library: every host
// adapter, targets 0 to 254, LUN 0, in that order. A library that is missing
// or offers no host adapter is told to the user, and the transport is then
// unusable.
class AspiDeviceProvider final : public DeviceProvider {
 public:
  explicit AspiDeviceProvider(UserPrompt& prompt);

  std::vector<DeviceCandidate> FindDevices() override;
  ProviderTransport Transport() const override;

 private:
  UserPrompt& prompt_;
  std::shared_ptr<AspiLibrary> library_;
  std::uint8_t functionMask_ = 0;
};

}  // namespace brenmark::windows
