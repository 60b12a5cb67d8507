#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

// Finds the CD/DVD device nodes: every srN in the device folder whose SCSI
// peripheral device type, as sysfs reports it, is 5. They come back ordered by
// N, named "srN", each with an SG_IO transport on its node.
class SgDeviceProvider final : public DeviceProvider {
 public:
  explicit SgDeviceProvider(std::filesystem::path deviceFolder = "/dev",
                            std::filesystem::path blockClassFolder = "/sys/class/block");

  std::vector<DeviceCandidate> FindDevices() override;
  ProviderTransport Transport() const override { return {AccessMode::Spti}; }

  // The srN names of the qualifying devices, in order.
  std::vector<std::string> FindDeviceNames() const;

 private:
  std::filesystem::path deviceFolder_;
  std::filesystem::path blockClassFolder_;
};

}  // namespace brenmark::sgio
