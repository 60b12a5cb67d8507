#include "shell/DeviceProviders.h"

#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark {

DeviceProviders MakeDeviceProviders(const std::filesystem::path& virtualRecorderFolder,
                                    std::unique_ptr<DeviceProvider> realDrives) {
  DeviceProviders made;
  if (realDrives) made.providers.push_back(std::move(realDrives));
  auto virtualRecorders = std::make_unique<virtualdrive::VirtualRecorderProvider>(virtualRecorderFolder);
  made.virtualRecorders = virtualRecorders->recorders();
  made.burnedFolder = virtualRecorders->burnedFolder();
  made.providers.push_back(std::move(virtualRecorders));
  return made;
}

}  // namespace brenmark
