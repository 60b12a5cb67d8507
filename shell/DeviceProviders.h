#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark {

// What the drive registry enumerates, as both front ends set it up: the
// machine's own recorders first (when wanted), then the two virtual recorders
// with their discs in `virtualRecorderFolder`.
struct DeviceProviders {
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  // The CD recorder first, then the DVD recorder; shared with their provider.
  std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>> virtualRecorders;
  // Where ejected discs are kept as finished images.
  std::filesystem::path burnedFolder;
};

DeviceProviders MakeDeviceProviders(const std::filesystem::path& virtualRecorderFolder,
                                    bool realDrives);

}  // namespace brenmark
