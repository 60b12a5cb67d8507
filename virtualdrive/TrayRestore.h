#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "virtualdrive/DiscImage.h"
#include "virtualdrive/RecorderModel.h"

namespace brenmark::virtualdrive {

// What a recorder finds in its tray when it (re)reads its work folder.
struct RestoredTray {
  // Nothing: the tray is empty, or holds an image that cannot be read.
  std::optional<DiscImage> disc;
  // Why the tray is not as it was left, for the user; empty when it is.
  std::string problem;
};

// Reads the tray of the work folder: the disc in work first (its files are set
// aside under a new name when it cannot be resumed, and a blank loaded), else
// what the tray record names. An inserted image that can no longer be read
// keeps its place in the tray: no disc is loaded in its stead, so that nothing
// is burned on a blank the user did not put there. Leftover temporary files of
// an interrupted save are removed.
RestoredTray RestoreTray(const RecorderModel& model, const std::filesystem::path& workFolder);

// Size and modification time of the files that hold a tray, so that a process
// can tell whether another one has changed them since it last read them.
struct TrayFilesSnapshot {
  std::vector<std::pair<std::uintmax_t, std::filesystem::file_time_type>> files;
  friend bool operator==(const TrayFilesSnapshot&, const TrayFilesSnapshot&) = default;
};
TrayFilesSnapshot SnapshotTrayFiles(const std::filesystem::path& workFolder);

}  // namespace brenmark::virtualdrive
