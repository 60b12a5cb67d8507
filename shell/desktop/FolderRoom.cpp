#include "shell/desktop/FolderRoom.h"

#include <cstdio>

namespace brenmark::desktop {
namespace {

constexpr std::uint64_t kBlockBytes = 2048;

template <typename Visit>
void ForEachFile(const datadisc::EntryList& entries, const Visit& visit) {
  for (const auto& node : entries) {
    if (node->isDirectory) {
      ForEachFile(node->children(), visit);
    } else if (!node->fromPreviousSession) {
      visit(*node);
    }
  }
}

}  // namespace

std::uint64_t FolderBytes(const datadisc::SourceTree& tree) {
  std::uint64_t bytes = 0;
  ForEachFile(tree.entries(), [&bytes](const datadisc::SourceNode& file) { bytes += file.fileSize; });
  return bytes;
}

std::int64_t FolderBlocks(const datadisc::SourceTree& tree) {
  std::uint64_t blocks = 0;
  ForEachFile(tree.entries(),
              [&blocks](const datadisc::SourceNode& file) { blocks += (file.fileSize + kBlockBytes - 1) / kBlockBytes; });
  return static_cast<std::int64_t>(blocks);
}

std::optional<std::int64_t> FreeDiscBlocks(DriveRegistry& registry, int drive) {
  if (!registry.HasDrive(drive)) return std::nullopt;
  DriveResult<DriveHandle> handle = registry.Open(drive);
  if (!handle) return std::nullopt;
  const DriveResult<DiscSummary> summary = handle->ReadDiscSummary();
  if (!summary || !(summary->blank || summary->appendable) || summary->lastTrackNumber < 1) return std::nullopt;
  // The last track of an unfinished disc is the one the next session writes into.
  const DriveResult<TrackInformation> track = handle->ReadTrackInformation(summary->lastTrackNumber);
  if (!track || track->freeBlocks <= 0) return std::nullopt;
  return track->freeBlocks;
}

std::string MegabytesText(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

std::string BurningFolderText(const std::string& folder, std::uint64_t bytes) {
  return "Folder: " + folder + " (" + MegabytesText(bytes) + ")";
}

std::string FolderDoesNotFitMessage(const std::string& folder, std::int64_t neededBlocks, std::int64_t freeBlocks) {
  return "The folder " + folder + " does not fit on the disc: its files need " +
         MegabytesText(static_cast<std::uint64_t>(neededBlocks) * kBlockBytes) + ", the disc has " +
         MegabytesText(static_cast<std::uint64_t>(freeBlocks) * kBlockBytes) + " free.";
}

}  // namespace brenmark::desktop
