#include "shell/DeviceProviders.h"

#include "drive/sgio/SgDeviceProvider.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark {

DeviceProviders MakeDeviceProviders(const std::filesystem::path& virtualRecorderFolder,
                                    bool realDrives) {
  DeviceProviders made;
  if (realDrives) made.providers.push_back(std::make_unique<sgio::SgDeviceProvider>());
  auto virtualRecorders = std::make_unique<virtualdrive::VirtualRecorderProvider>(virtualRecorderFolder);
  made.virtualRecorders = virtualRecorders->recorders();
  made.burnedFolder = virtualRecorders->burnedFolder();
  made.providers.push_back(std::move(virtualRecorders));
  return made;
}

}  // namespace brenmark
