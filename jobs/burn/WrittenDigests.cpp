#include "jobs/burn/WrittenDigests.h"

#include "jobs/burn/DigestThread.h"

namespace brenmark {

void WrittenDigests::Record(std::int32_t first, int blockSize, std::span<const std::uint8_t> blocks) {
  if (blockSize <= 0 || blocks.size() < static_cast<std::size_t>(blockSize)) return;
  if (extents_.empty() || extents_.back().end() != first || extents_.back().blockSize != blockSize) {
    extents_.push_back({first, blockSize, {}});
  }
  AppendBlockDigests(blocks, blockSize, extents_.back().digests);
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
