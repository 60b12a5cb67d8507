#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>


namespace brenmark {

// The digest of every block a burn wrote, by address, taken as each run goes
// to the drive: what the verify compares the disc with, without reading the
// sources again. Eight bytes a block (16 MB for a full DVD).
class WrittenDigests {
 public:
  // Blocks written one after another with one block size.
  struct Extent {
    std::int32_t first = 0;
    int blockSize = 0;
    std::vector<std::uint64_t> digests;

    std::int32_t end() const { return first + static_cast<std::int32_t>(digests.size()); }
  };

  void Clear() { extents_.clear(); }
  // Digests the whole blocks of `blocks`, written from `first` on, straight
  // into the record: a burn calls this for every run it writes.
  void Record(std::int32_t first, int blockSize, std::span<const std::uint8_t> blocks);

  // The digest of the block at `lba` as it was written; nothing when no
  // block was written there.
  std::optional<std::uint64_t> At(std::int32_t lba) const;
  // In the order written; a run that follows the one before at once joins its extent.
  const std::vector<Extent>& extents() const { return extents_; }

 private:
  std::vector<Extent> extents_;
};

}  // namespace brenmark
