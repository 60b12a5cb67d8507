#include "shell/VirtualTrays.h"

#include <string>
#include <string_view>

#include "platform/Utf8Path.h"
#include "shell/DeviceProviders.h"
#include "virtualdrive/VirtualRecorderProvider.h"
#if defined(__linux__)
#include "virtualdrive/expose/TrayTurns.h"
#endif

namespace brenmark {
namespace {

// Kept images are named "<recorder>-<UTC time>[-n]": the newer of two names
// of one second has the greater n, "-10" after "-9" and "-2" after none, so
// digit runs compare as numbers and a name before its own "-n" variants.
bool BurnedBefore(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && digit(a[endA])) ++endA;
      while (endB < b.size() && digit(b[endB])) ++endB;
      const std::string_view runA = std::string_view(a).substr(i, endA - i);
      const std::string_view runB = std::string_view(b).substr(j, endB - j);
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

VirtualTrays::VirtualTrays(const std::filesystem::path& folder, FinishedImageObserver onFinishedImage)
    : folder_(folder.empty() ? virtualdrive::DefaultVirtualRecorderFolder() : folder),
      onFinishedImage_(std::move(onFinishedImage)) {}

std::vector<std::unique_ptr<DeviceProvider>> VirtualTrays::MakeProviders(
    std::unique_ptr<DeviceProvider> realDrives) {
  DeviceProviders devices = MakeDeviceProviders(folder_, std::move(realDrives));
  recorders_ = std::move(devices.virtualRecorders);
  burnedFolder_ = std::move(devices.burnedFolder);
  for (const auto& recorder : recorders_) {
#if defined(__linux__)
    // Programs holding the recorder's exposed device open leave the tray to
    // the user between their commands: a tray action takes its turn among them.
    recorder->SetHolderTurns(std::make_shared<expose::TrayTurns>());
#endif
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
  const std::string prefix = recorder.model().shortName + "-";
  std::filesystem::path newest;
  std::string newestStem;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(burnedFolder_, error)) {
    const std::filesystem::path& path = entry.path();
    const std::string stem = platform::Utf8FromPath(path.stem());
    const bool image = path.extension() == ".cue" || path.extension() == ".iso";
    if (image && stem.starts_with(prefix) && (newest.empty() || BurnedBefore(newestStem, stem))) {
      newest = path;
      newestStem = stem;
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
