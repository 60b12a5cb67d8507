#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::gui {

// The built-in virtual recorders as the main window sees them: which drives of
// the list they are, and their trays.
class VirtualTrays {
 public:
  // `folder` holds the recorders' discs; empty for the user's data folder.
  explicit VirtualTrays(const std::string& folder);

  // The drive sources for enumeration: the machine's own recorders (when asked
  // for) and then the two virtual recorders.
  std::vector<std::unique_ptr<DeviceProvider>> MakeProviders(bool realDrives);

  // The virtual recorder behind `drive`, or null for a real drive.
  virtualdrive::VirtualRecorder* RecorderFor(const Drive& drive) const;
  // What the recorders found wrong with their trays at start-up, each
  // prefixed with the recorder's name.
  std::vector<std::string> StartupProblems() const;
  // Where ejected discs are kept as finished images.
  const std::filesystem::path& burnedFolder() const { return burnedFolder_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path burnedFolder_;
  std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>> recorders_;
};

}  // namespace brenmark::gui
