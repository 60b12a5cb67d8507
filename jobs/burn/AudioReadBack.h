#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "jobs/burn/DiscReadBack.h"
#include "jobs/burn/WrittenDigests.h"

namespace brenmark {

// Reads an audio track back from a drive that may give its samples a few
// early or late (its read offset: most drives have one, up to some thousand
// samples) and compares it with the digests of what was written. The track
// is compared at the offset assumed; at a block that differs, the offsets
// within kMostOffsetSamples at which that block reads as written are looked
// for, and the track is compared again at the likeliest of them. The track
// differs only where no offset still possible matches.
//
// Written block i is read back across blocks i + q and i + q + 1 of the
// drive's answers; blocks whose answers lie outside the item's reach (before
// the first audio block the burn wrote, after the last) cannot be compared
// and are counted as out of reach.
class AudioReadBack {
 public:
  static constexpr std::int32_t kMostOffsetSamples = 5880;

  // Reads `count` audio blocks (at most 255) from `lba` into `buffer`; false
  // when the drive could not.
  using ReadBlocks = std::function<bool(std::int32_t lba, std::uint32_t count, std::uint8_t* buffer)>;

  AudioReadBack(const WrittenDigests& written, ReadBlocks read);

  // `assumed`: the offset tried first, such as the one the track before was
  // read at. The finding carries the offset the track was compared at.
  VerifyFinding Check(const VerifyItem& item, std::int32_t assumed, const DiscReadBack::BlocksRead& blocksRead);

 private:
  using Offsets = std::vector<std::int32_t>;

  VerifyFinding CompareAt(const VerifyItem& item, std::int32_t offset, const DiscReadBack::BlocksRead& blocksRead);
  // The offsets of `among` (every one in range when nothing) at which the
  // written block `lba` is read back as written (or, where an offset puts it
  // out of reach, the first block after it that the offset does not); the
  // finding when the blocks around it cannot be read.
  std::optional<VerifyFinding> Matching(const VerifyItem& item, std::int32_t lba, const std::optional<Offsets>& among,
                                        Offsets& matching);
  // Reads [first, end) into the buffer from `at` blocks on, command by command.
  std::optional<VerifyFinding> ReadInto(std::int32_t first, std::int32_t end, std::size_t at);

  const WrittenDigests& written_;
  ReadBlocks read_;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace brenmark
