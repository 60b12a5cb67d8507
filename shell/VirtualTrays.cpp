#include "shell/VirtualTrays.h"

#include "platform/Utf8Path.h"
#include "shell/DeviceProviders.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark {

VirtualTrays::VirtualTrays(const std::filesystem::path& folder, FinishedImageObserver onFinishedImage)
    : folder_(folder.empty() ? virtualdrive::DefaultVirtualRecorderFolder() : folder),
      onFinishedImage_(std::move(onFinishedImage)) {}

std::vector<std::unique_ptr<DeviceProvider>> VirtualTrays::MakeProviders(
    std::unique_ptr<DeviceProvider> realDrives) {
  DeviceProviders devices = MakeDeviceProviders(folder_, std::move(realDrives));
  recorders_ = std::move(devices.virtualRecorders);
  burnedFolder_ = std::move(devices.burnedFolder);
  for (const auto& recorder : recorders_) {
    const virtualdrive::VirtualRecorder* key = recorder.get();
    recorder->SetFinishedImageObserver([this, key](const std::filesystem::path& image) {
      {
        std::lock_guard lock(finishedMutex_);
        FinishedImage& last = finished_[key];
        last.path = image;
        ++last.serial;
      }
      if (onFinishedImage_) onFinishedImage_(image);
    });
  }
  return std::move(devices.providers);
}

virtualdrive::VirtualRecorder* VirtualTrays::RecorderFor(const Drive& drive) const {
  for (const auto& recorder : recorders_) {
    if (recorder->model().shortName == drive.devicePath) return recorder.get();
  }
  return nullptr;
}

virtualdrive::VirtualRecorder* VirtualTrays::RecorderAt(DriveRegistry& registry, int drive) const {
  return registry.HasDrive(drive) ? RecorderFor(registry.drive(drive)) : nullptr;
}

VirtualTrays::FinishedImage VirtualTrays::LastFinishedImage(
    const virtualdrive::VirtualRecorder* recorder) const {
  std::lock_guard lock(finishedMutex_);
  const auto found = finished_.find(recorder);
  return found == finished_.end() ? FinishedImage{} : found->second;
}

std::filesystem::path VirtualTrays::LastBurnedDisc(const virtualdrive::VirtualRecorder& recorder) const {
  if (auto last = LastFinishedImage(&recorder).path; !last.empty()) return last;
  // Kept images are named "<recorder>-<UTC time>[-n]", so the greatest name is the newest.
  const std::string prefix = recorder.model().shortName + "-";
  std::filesystem::path newest;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(burnedFolder_, error)) {
    const std::filesystem::path& path = entry.path();
    const std::string name = platform::Utf8FromPath(path.filename());
    const bool image = path.extension() == ".cue" || path.extension() == ".iso";
    if (image && name.starts_with(prefix) && (newest.empty() || name > platform::Utf8FromPath(newest.filename()))) {
      newest = path;
    }
  }
  return newest;
}

std::vector<std::string> VirtualTrays::StartupProblems() const {
  std::vector<std::string> problems;
  for (const auto& recorder : recorders_) {
    const std::string problem = recorder->StartupProblem();
    if (!problem.empty()) problems.push_back(recorder->model().shortName + ": " + problem);
  }
  return problems;
}

}  // namespace brenmark
