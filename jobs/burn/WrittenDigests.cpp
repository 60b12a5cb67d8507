#include "jobs/burn/WrittenDigests.h"

#include "bytes/BlockDigest.h"

namespace brenmark {

void WrittenDigests::Record(const SectorRun& run, int blockSize) {
  if (run.count == 0) return;
  if (extents_.empty() || extents_.back().end() != run.firstSector || extents_.back().blockSize != blockSize) {
    extents_.push_back({run.firstSector, blockSize, {}});
  }
  std::vector<std::uint64_t>& digests = extents_.back().digests;
  const auto size = static_cast<std::size_t>(blockSize);
  for (std::uint32_t block = 0; block < run.count; ++block) {
    digests.push_back(bytes::BlockDigest::Of(run.data.subspan(block * size, size)));
  }
}

std::optional<std::uint64_t> WrittenDigests::At(std::int32_t lba) const {
  // Extents are searched from the last one: the verify asks in writing order,
  // and a block written twice is on the disc as written last.
  for (auto extent = extents_.rbegin(); extent != extents_.rend(); ++extent) {
    if (lba >= extent->first && lba < extent->end()) {
      return extent->digests[static_cast<std::size_t>(lba - extent->first)];
    }
  }
  return std::nullopt;
}

}  // namespace brenmark
