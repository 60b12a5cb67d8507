#pragma once

#include <vector>

#include "drive/ScsiTransport.h"

namespace brenmark::windows {

// Finds the CD/DVD drives among the drive letters, in letter order, each
// named by its letter and reached by the pass-through on "\\.\X:".
class SptiDeviceProvider final : public DeviceProvider {
 public:
  std::vector<DeviceCandidate> FindDevices() override;
  ProviderTransport Transport() const override { return {AccessMode::Spti}; }
};

}  // namespace brenmark::windows
