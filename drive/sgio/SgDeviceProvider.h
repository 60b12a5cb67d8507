#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

// The environment variable that names device nodes sysfs does not list (the
// virtual recorders a preloaded library shows as /dev/srN), separated by ':'.
inline constexpr const char* kExtraDevicesVariable = "BRENMARK_EXTRA_DEVICES";

// The nodes the variable names, in its order; none when it is unset.
std::vector<std::string> ExtraDevicesFromEnvironment();

// Finds the CD/DVD device nodes: every srN in the device folder whose SCSI
// peripheral device type, as sysfs reports it, is 5. They come back ordered by
// N, named "srN", each with an SG_IO transport on its node; then the extra
// nodes that stat as SCSI CD-ROM block devices, named by their file names.
class SgDeviceProvider final : public DeviceProvider {
 public:
  explicit SgDeviceProvider(std::filesystem::path deviceFolder = "/dev",
                            std::filesystem::path blockClassFolder = "/sys/class/block",
                            std::vector<std::string> extraDevices = {});

  std::vector<DeviceCandidate> FindDevices() override;
  ProviderTransport Transport() const override { return {AccessMode::Spti}; }

  // The srN names of the qualifying devices, in order.
  std::vector<std::string> FindDeviceNames() const;

 private:
  std::filesystem::path deviceFolder_;
  std::filesystem::path blockClassFolder_;
  std::vector<std::string> extraDevices_;
};

}  // namespace brenmark::sgio
