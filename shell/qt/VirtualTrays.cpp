#include "shell/qt/VirtualTrays.h"

#include "shell/DeviceProviders.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::gui {

VirtualTrays::VirtualTrays(const std::string& folder)
    : folder_(folder.empty() ? virtualdrive::DefaultVirtualRecorderFolder()
                             : std::filesystem::path(folder)) {}

std::vector<std::unique_ptr<DeviceProvider>> VirtualTrays::MakeProviders(bool realDrives) {
  DeviceProviders devices = MakeDeviceProviders(folder_, realDrives);
  recorders_ = std::move(devices.virtualRecorders);
  burnedFolder_ = std::move(devices.burnedFolder);
  return std::move(devices.providers);
}

virtualdrive::VirtualRecorder* VirtualTrays::RecorderFor(const Drive& drive) const {
  for (const auto& recorder : recorders_) {
    if (recorder->model().shortName == drive.devicePath) return recorder.get();
  }
  return nullptr;
}

std::vector<std::string> VirtualTrays::StartupProblems() const {
  std::vector<std::string> problems;
  for (const auto& recorder : recorders_) {
    const std::string problem = recorder->StartupProblem();
    if (!problem.empty()) problems.push_back(recorder->model().shortName + ": " + problem);
  }
  return problems;
}

}  // namespace brenmark::gui
