#include "jobs/burn/AudioReadBack.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <span>

#include "bytes/BlockDigest.h"

namespace brenmark {
namespace {

constexpr std::int64_t kBlockBytes = 2352;
constexpr std::int32_t kBytesPerSample = 4;
constexpr std::uint32_t kBlocksPerRead = 255;
// Blocks held at once while a track is compared.
constexpr std::int32_t kBufferBlocks = 8 * kBlocksPerRead;
// Blocks on each side of a block that the largest offset reaches into.
constexpr std::int32_t kSearchMargin =
    (AudioReadBack::kMostOffsetSamples * kBytesPerSample + kBlockBytes - 1) / kBlockBytes + 1;
// Each comparison of a track after the first reads it again: an offset that
// is still not found after this many is given up, the track differing.
constexpr int kMostComparisons = 8;

// Where the drive's answers hold written block i at a read offset: from byte
// `bytes` of the answer for block i + `blocks`, running into the next answer
// unless `bytes` is 0.
struct Shift {
  std::int32_t blocks = 0;
  std::size_t bytes = 0;

  std::int32_t spanned() const { return bytes > 0 ? 2 : 1; }
};

Shift ShiftOf(std::int32_t offsetSamples) {
  const std::int64_t back = -std::int64_t{offsetSamples} * kBytesPerSample;
  const std::int64_t blocks = back >= 0 ? back / kBlockBytes : -((-back + kBlockBytes - 1) / kBlockBytes);
  return {static_cast<std::int32_t>(blocks), static_cast<std::size_t>(back - blocks * kBlockBytes)};
}

// The blocks a track's read-back may use: the audio around it, or its own.
std::pair<std::int32_t, std::int32_t> ReachOf(const VerifyItem& item) {
  if (item.reachEnd > item.reachFirst) return {item.reachFirst, item.reachEnd};
  return {item.first, item.first + static_cast<std::int32_t>(item.blocks)};
}

// The offset thought likeliest: the nearest to the one assumed, then to none.
std::int32_t Likeliest(const std::vector<std::int32_t>& offsets, std::int32_t assumed) {
  return *std::min_element(offsets.begin(), offsets.end(), [assumed](std::int32_t a, std::int32_t b) {
    const auto fromAssumed = [assumed](std::int32_t o) { return std::abs(std::int64_t{o} - assumed); };
    if (fromAssumed(a) != fromAssumed(b)) return fromAssumed(a) < fromAssumed(b);
    return std::abs(a) < std::abs(b);
  });
}

}  // namespace

AudioReadBack::AudioReadBack(const WrittenDigests& written, ReadBlocks read)
    : written_(written), read_(std::move(read)), buffer_(static_cast<std::size_t>(kBufferBlocks * kBlockBytes)) {}

VerifyFinding AudioReadBack::Check(const VerifyItem& item, std::int32_t assumed,
                                   const DiscReadBack::BlocksRead& blocksRead) {
  std::optional<Offsets> candidates;
  std::int32_t offset = assumed;
  for (int comparison = 1;; ++comparison) {
    const VerifyFinding found = CompareAt(item, offset, blocksRead);
    if (found.kind != VerifyFinding::Kind::Differs || comparison == kMostComparisons) return found;
    Offsets matching;
    if (const auto unreadable = Matching(item, found.block, candidates, matching)) return *unreadable;
    std::erase(matching, offset);
    if (matching.empty()) return found;
    offset = Likeliest(matching, assumed);
    candidates = std::move(matching);
  }
}

VerifyFinding AudioReadBack::CompareAt(const VerifyItem& item, std::int32_t offset,
                                       const DiscReadBack::BlocksRead& blocksRead) {
  const Shift shift = ShiftOf(offset);
  const auto [reachFirst, reachEnd] = ReachOf(item);
  const std::int64_t itemEnd = std::int64_t{item.first} + item.blocks;
  const std::int64_t readEnd = std::min<std::int64_t>(reachEnd, itemEnd + shift.blocks + shift.spanned() - 1);
  VerifyFinding finding;
  finding.readOffset = offset;
  std::int64_t held = 0;  // the buffer holds the answers for [heldFirst, heldFirst + held)
  std::int64_t heldFirst = 0;
  for (std::int64_t lba = item.first; lba < itemEnd; ++lba) {
    const std::int64_t from = lba + shift.blocks;
    const std::int64_t to = from + shift.spanned();
    if (from < reachFirst || to > reachEnd) {
      ++finding.outOfReach;
      continue;
    }
    if (to > heldFirst + held) {
      // The answer the window starts in stays, moved to the front.
      const std::int64_t kept = from >= heldFirst && from < heldFirst + held ? heldFirst + held - from : 0;
      if (kept > 0) {
        std::memmove(buffer_.data(), buffer_.data() + (from - heldFirst) * kBlockBytes,
                     static_cast<std::size_t>(kept * kBlockBytes));
      }
      heldFirst = from;
      const std::int64_t end = std::min<std::int64_t>(readEnd, from + kBufferBlocks);
      if (const auto unreadable = ReadInto(static_cast<std::int32_t>(from + kept), static_cast<std::int32_t>(end),
                                           static_cast<std::size_t>(kept))) {
        return *unreadable;
      }
      held = end - from;
      blocksRead(static_cast<std::uint32_t>(lba - item.first));
    }
    const std::span<const std::uint8_t> window(
        buffer_.data() + (from - heldFirst) * kBlockBytes + static_cast<std::ptrdiff_t>(shift.bytes), kBlockBytes);
    const auto expected = written_.At(static_cast<std::int32_t>(lba));
    if (expected && *expected != bytes::BlockDigest::Of(window)) {
      finding.kind = VerifyFinding::Kind::Differs;
      finding.block = static_cast<std::int32_t>(lba);
      return finding;
    }
  }
  blocksRead(item.blocks);
  return finding;
}

std::optional<VerifyFinding> AudioReadBack::Matching(const VerifyItem& item, std::int32_t lba,
                                                     const std::optional<Offsets>& among, Offsets& matching) {
  const auto [reachFirst, reachEnd] = ReachOf(item);
  const std::int32_t itemEnd = item.first + static_cast<std::int32_t>(item.blocks);
  // An offset that puts the block beyond the reach is judged at the first
  // block after it that it does not: the blocks around `lba` and the margin after.
  const std::int32_t last = std::min(itemEnd, lba + kSearchMargin + 1);
  const std::int32_t first = std::max(reachFirst, lba - kSearchMargin);
  const std::int32_t end = std::min(reachEnd, last + kSearchMargin);
  if (const auto unreadable = ReadInto(first, end, 0)) return unreadable;
  const auto matches = [&](std::int32_t offset) {
    const Shift shift = ShiftOf(offset);
    for (std::int32_t block = lba; block < last; ++block) {
      const std::int64_t from = std::int64_t{block} + shift.blocks;
      if (from < first || from + shift.spanned() > end) continue;
      const std::span<const std::uint8_t> window(
          buffer_.data() + (from - first) * kBlockBytes + static_cast<std::ptrdiff_t>(shift.bytes), kBlockBytes);
      const auto expected = written_.At(block);
      return !expected || *expected == bytes::BlockDigest::Of(window);
    }
    return false;
  };
  if (among) {
    std::copy_if(among->begin(), among->end(), std::back_inserter(matching), matches);
    return std::nullopt;
  }
  for (std::int32_t offset = -kMostOffsetSamples; offset <= kMostOffsetSamples; ++offset) {
    if (matches(offset)) matching.push_back(offset);
  }
  return std::nullopt;
}

std::optional<VerifyFinding> AudioReadBack::ReadInto(std::int32_t first, std::int32_t end, std::size_t at) {
  for (std::int32_t lba = first; lba < end;) {
    const auto count = std::min<std::uint32_t>(static_cast<std::uint32_t>(end - lba), kBlocksPerRead);
    const std::size_t into = (at + static_cast<std::size_t>(lba - first)) * kBlockBytes;
    if (!read_(lba, count, buffer_.data() + into)) return VerifyFinding{.kind = VerifyFinding::Kind::Unreadable, .block = lba, .blocks = count};
    lba += static_cast<std::int32_t>(count);
  }
  return std::nullopt;
}

}  // namespace brenmark
