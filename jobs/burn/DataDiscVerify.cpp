#include "jobs/burn/DataDiscVerify.h"

#include <algorithm>

#include "datadisc/PreviousSession.h"
#include "jobs/burn/VerifyStep.h"

namespace brenmark {
namespace {

using datadisc::PreviousEntry;

constexpr std::uint32_t kBlockSize = 2048;
constexpr std::uint32_t kBlocksPerRead = 255;
constexpr const char* kStructure = "the directory structure";

std::uint32_t BlocksOf(std::uint64_t bytes) {
  return static_cast<std::uint32_t>((bytes + kBlockSize - 1) / kBlockSize);
}

// Every file below `entries`, by its path on the disc.
void CollectFiles(const std::vector<PreviousEntry>& entries, const std::string& folder,
                  std::vector<VerifyItem>& files) {
  for (const PreviousEntry& entry : entries) {
    const std::string path = folder + "/" + entry.name;
    if (entry.isDirectory) {
      CollectFiles(entry.children, path, files);
      continue;
    }
    VerifyItem item;
    item.name = path;
    item.first = static_cast<std::int32_t>(entry.extent);
    item.blocks = BlocksOf(entry.size);
    item.bytes = entry.size;
    files.push_back(std::move(item));
  }
}

VerifyItem Uncounted(std::string name, std::uint32_t first, std::uint32_t end) {
  VerifyItem item;
  item.name = std::move(name);
  item.first = static_cast<std::int32_t>(first);
  item.blocks = end - first;
  item.bytes = std::uint64_t{item.blocks} * kBlockSize;
  item.counted = false;
  return item;
}

std::string BlocksText(std::uint32_t first, std::uint32_t end) {
  return "blocks " + Grouped(first) + "-" + Grouped(end - 1) + " (no file)";
}

}  // namespace

VerifyReport VerifyDataSession(JobContext& context, DiscReadBack& readBack, DriveHandle& drive,
                               const datadisc::ImageLayout& layout) {
  VerifyReport report("file");
  const datadisc::BlockReader read = [&drive](std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    for (std::uint32_t done = 0; done < count;) {
      const std::uint32_t part = std::min(count - done, kBlocksPerRead);
      if (!drive.ReadUserData(static_cast<std::int32_t>(lba + done), static_cast<int>(part),
                              out + std::size_t{done} * kBlockSize)) {
        return false;
      }
      done += part;
    }
    return true;
  };
  context.progress.SetStatus(verifytext::kReadingDirectories);
  const datadisc::PreviousSession session = datadisc::ReadPreviousSession(read, layout.sessionStart, layout.imageEnd);

  std::vector<VerifyItem> items{Uncounted(kStructure, layout.sessionStart, layout.fileDataStart)};
  if (session.status != datadisc::PreviousSession::Status::Read) {
    // Without its directories no file can be found: the file data is compared as one.
    report.AddProblem("the written file system " + session.reason);
    items.push_back(Uncounted("the file data", layout.fileDataStart, layout.imageEnd));
    VerifyItems(context, readBack, items, report);
    return report;
  }
  std::vector<VerifyItem> files;
  CollectFiles(session.root, "", files);
  std::stable_sort(files.begin(), files.end(),
                   [](const VerifyItem& a, const VerifyItem& b) { return a.first < b.first; });
  // Blocks of the file area that no file of the new session holds are compared too.
  std::uint32_t covered = layout.fileDataStart;
  for (VerifyItem& file : files) {
    const auto first = static_cast<std::uint32_t>(file.first);
    if (first < layout.sessionStart) {
      file.name += " (earlier session)";
      file.counted = false;
    } else if (first > covered && first <= layout.imageEnd) {
      items.push_back(Uncounted(BlocksText(covered, first), covered, first));
    }
    if (first >= layout.sessionStart) covered = std::max(covered, first + file.blocks);
    items.push_back(std::move(file));
  }
  if (covered < layout.imageEnd) items.push_back(Uncounted(BlocksText(covered, layout.imageEnd), covered, layout.imageEnd));
  VerifyItems(context, readBack, items, report);
  return report;
}

}  // namespace brenmark
