#include "jobs/burn/DiscReadBack.h"

#include <algorithm>
#include <span>

#include "jobs/burn/AudioReadBack.h"

namespace brenmark {
namespace {

// The most blocks the read commands carry.
constexpr std::uint32_t kBlocksPerRead = 255;
// Blocks read before their digests are made: a few commands, so that handing
// a chunk to the digest thread costs little beside reading it.
constexpr std::uint32_t kBlocksPerChunk = 8 * kBlocksPerRead;
// READ CD main channel selections: the user data; the subheader and the user data.
constexpr std::uint8_t kUserData = 0x10;
constexpr std::uint8_t kSubheaderAndUserData = 0x50;
// Sync, headers, user data and EDC/ECC: the whole 2352 bytes.
constexpr std::uint8_t kWholeBlock = 0xF8;

}  // namespace

int BlockSizeOf(ReadBackKind kind) {
  switch (kind) {
    case ReadBackKind::AudioSamples:
    case ReadBackKind::RawSectors:
      return 2352;
    case ReadBackKind::Mode2WithSubheader: return 2332;
    case ReadBackKind::UserData: break;
  }
  return 2048;
}

DiscReadBack::DiscReadBack(DriveHandle& drive, const WrittenDigests& written)
    : drive_(drive),
      written_(written),
      buffers_{std::vector<std::uint8_t>(kBlocksPerChunk * 2352), std::vector<std::uint8_t>(kBlocksPerChunk * 2352)} {}

VerifyFinding DiscReadBack::Check(const VerifyItem& item, const BlocksRead& blocksRead) {
  if (item.kind == ReadBackKind::AudioSamples) {
    AudioReadBack audio(written_, [this](std::int32_t lba, std::uint32_t count, std::uint8_t* buffer) {
      return Read(ReadBackKind::AudioSamples, lba, count, buffer);
    });
    const VerifyFinding finding = audio.Check(item, audioOffset_, blocksRead);
    if (finding.kind == VerifyFinding::Kind::Same) audioOffset_ = finding.readOffset;
    return finding;
  }
  const int size = BlockSizeOf(item.kind);
  // An item of one chunk is compared at once; a longer one's chunk waits on
  // the digest thread while the next one is read.
  std::optional<Chunk> waiting;
  for (std::uint32_t done = 0, next = 0; done < item.blocks; done += kBlocksPerChunk, next ^= 1) {
    if (stop_ && stop_()) {
      if (waiting) digests_.Take();
      return {};
    }
    const Chunk chunk{item.first + static_cast<std::int32_t>(done), std::min(item.blocks - done, kBlocksPerChunk)};
    std::uint8_t* const buffer = buffers_[next].data();
    const std::optional<VerifyFinding> unreadable = ReadChunk(item.kind, chunk, buffer);
    if (waiting) {
      if (const auto differs = Compare(*waiting, digests_.Take())) return *differs;
      blocksRead(static_cast<std::uint32_t>(waiting->first - item.first) + waiting->count);
      waiting.reset();
    }
    if (unreadable) return *unreadable;
    const std::span<const std::uint8_t> read(buffer, std::size_t{chunk.count} * static_cast<std::size_t>(size));
    if (chunk.count == item.blocks) {
      if (const auto differs = Compare(chunk, BlockDigests(read, size))) return *differs;
      blocksRead(chunk.count);
      continue;
    }
    digests_.Start(read, size);
    waiting = chunk;
  }
  if (waiting) {
    if (const auto differs = Compare(*waiting, digests_.Take())) return *differs;
    blocksRead(item.blocks);
  }
  return {};
}

std::optional<VerifyFinding> DiscReadBack::ReadChunk(ReadBackKind kind, const Chunk& chunk, std::uint8_t* buffer) {
  const auto size = static_cast<std::size_t>(BlockSizeOf(kind));
  for (std::uint32_t done = 0; done < chunk.count;) {
    const std::uint32_t count = std::min(chunk.count - done, kBlocksPerRead);
    const std::int32_t lba = chunk.first + static_cast<std::int32_t>(done);
    if (!Read(kind, lba, count, buffer + done * size)) return VerifyFinding{.kind = VerifyFinding::Kind::Unreadable, .block = lba, .blocks = count};
    done += count;
  }
  return std::nullopt;
}

std::optional<VerifyFinding> DiscReadBack::Compare(const Chunk& chunk, const std::vector<std::uint64_t>& digests) const {
  for (std::uint32_t block = 0; block < chunk.count; ++block) {
    const std::int32_t lba = chunk.first + static_cast<std::int32_t>(block);
    const auto expected = written_.At(lba);
    if (expected && *expected != digests[block]) return VerifyFinding{.kind = VerifyFinding::Kind::Differs, .block = lba, .blocks = 1};
  }
  return std::nullopt;
}

bool DiscReadBack::Read(ReadBackKind kind, std::int32_t lba, std::uint32_t count, std::uint8_t* buffer) {
  const int blocks = static_cast<int>(count);
  switch (kind) {
    case ReadBackKind::UserData:
      return drive_.ReadUserData(lba, blocks, buffer).ok();
    case ReadBackKind::AudioSamples:
      return drive_.ReadSectors(lba, blocks, buffer, 2352, kUserData).ok();
    case ReadBackKind::Mode2WithSubheader:
      return drive_.ReadSectors(lba, blocks, buffer, 2332, kSubheaderAndUserData).ok();
    case ReadBackKind::RawSectors:
      return drive_.ReadSectors(lba, blocks, buffer, 2352, kWholeBlock).ok();
  }
  return false;
}

}  // namespace brenmark
