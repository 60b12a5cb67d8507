#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark {

// The built-in virtual recorders as the desktop front ends see them: which drives of
// the list they are, and their trays.
class VirtualTrays {
 public:
  using FinishedImageObserver = std::function<void(const std::filesystem::path&)>;

  // `folder` holds the recorders' discs; empty for the user's data folder.
  // `onFinishedImage`, when given, is also told of every image an eject keeps.
  explicit VirtualTrays(const std::filesystem::path& folder, FinishedImageObserver onFinishedImage = {});

  // The drive sources for enumeration: the machine's own recorders (through
  // `realDrives`, when given) and then the two virtual recorders.
  std::vector<std::unique_ptr<DeviceProvider>> MakeProviders(std::unique_ptr<DeviceProvider> realDrives);

  // The CD recorder first, then the DVD recorder; empty before MakeProviders.
  const std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>>& recorders() const { return recorders_; }
  // The virtual recorder behind `drive`, or null for a real drive.
  virtualdrive::VirtualRecorder* RecorderFor(const Drive& drive) const;
  // The same by the drive's index; null also for an index with no drive.
  virtualdrive::VirtualRecorder* RecorderAt(DriveRegistry& registry, int drive) const;
  // What the recorders found wrong with their trays at start-up, each
  // prefixed with the recorder's name.
  std::vector<std::string> StartupProblems() const;
  // Where ejected discs are kept as finished images.
  const std::filesystem::path& burnedFolder() const { return burnedFolder_; }

  // The last image a recorder's eject kept in this session, numbered: the
  // number grows with every image, so a caller can tell whether its own work
  // produced one. Any thread.
  struct FinishedImage {
    std::filesystem::path path;
    std::uint64_t serial = 0;
  };
  FinishedImage LastFinishedImage(const virtualdrive::VirtualRecorder* recorder) const;
  // The disc `recorder` burned last: the last one of this session, else the
  // newest of its images in the burned discs folder. Empty when there is none.
  std::filesystem::path LastBurnedDisc(const virtualdrive::VirtualRecorder& recorder) const;

 private:
  std::filesystem::path folder_;
  FinishedImageObserver onFinishedImage_;
  std::filesystem::path burnedFolder_;
  std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>> recorders_;
  mutable std::mutex finishedMutex_;
  std::map<const virtualdrive::VirtualRecorder*, FinishedImage> finished_;
};

}  // namespace brenmark
