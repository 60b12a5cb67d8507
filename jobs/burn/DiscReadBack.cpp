#include "jobs/burn/DiscReadBack.h"

#include <algorithm>
#include <span>

#include "bytes/BlockDigest.h"

namespace brenmark {
namespace {

// The most blocks the read commands carry.
constexpr std::uint32_t kBlocksPerRead = 255;
// READ CD main channel selections: the user data; the subheader and the user data.
constexpr std::uint8_t kUserData = 0x10;
constexpr std::uint8_t kSubheaderAndUserData = 0x50;

}  // namespace

int BlockSizeOf(ReadBackKind kind) {
  switch (kind) {
    case ReadBackKind::AudioSamples: return 2352;
    case ReadBackKind::Mode2WithSubheader: return 2332;
    case ReadBackKind::UserData: break;
  }
  return 2048;
}

DiscReadBack::DiscReadBack(DriveRegistry& registry, int drive, const WrittenDigests& written)
    : registry_(registry), drive_(drive), written_(written), buffer_(kBlocksPerRead * 2352) {}

VerifyFinding DiscReadBack::Check(const VerifyItem& item, const BlocksRead& blocksRead) {
  const auto size = static_cast<std::size_t>(BlockSizeOf(item.kind));
  for (std::uint32_t done = 0; done < item.blocks;) {
    const std::uint32_t count = std::min(item.blocks - done, kBlocksPerRead);
    const std::int32_t lba = item.first + static_cast<std::int32_t>(done);
    if (!Read(item.kind, lba, count)) return {VerifyFinding::Kind::Unreadable, lba, count};
    for (std::uint32_t block = 0; block < count; ++block) {
      const auto expected = written_.At(lba + static_cast<std::int32_t>(block));
      if (expected && *expected != bytes::BlockDigest::Of(std::span(buffer_).subspan(block * size, size))) {
        return {VerifyFinding::Kind::Differs, lba + static_cast<std::int32_t>(block), 1};
      }
    }
    done += count;
    blocksRead(done);
  }
  return {};
}

bool DiscReadBack::Read(ReadBackKind kind, std::int32_t lba, std::uint32_t count) {
  const int blocks = static_cast<int>(count);
  switch (kind) {
    case ReadBackKind::UserData:
      return registry_.ReadUserData(drive_, lba, blocks, buffer_.data()) == 0;
    case ReadBackKind::AudioSamples:
      return registry_.ReadSectors(drive_, lba, blocks, buffer_.data(), 2352, kUserData) == 0;
    case ReadBackKind::Mode2WithSubheader:
      return registry_.ReadSectors(drive_, lba, blocks, buffer_.data(), 2332, kSubheaderAndUserData) == 0;
  }
  return false;
}

}  // namespace brenmark
