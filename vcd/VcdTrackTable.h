#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace brenmark::vcd {

// MPEG data carried by one Mode 2 Form 2 sector, and the block the host sends
// for it: the 8-byte subheader followed by that data.
inline constexpr std::uint32_t kMpegDataSize = 2324;
inline constexpr std::uint32_t kSubheaderSize = 8;
inline constexpr std::uint32_t kMpegBlockSize = kSubheaderSize + kMpegDataSize;

// Track 1 (file system and control files) fills blocks 0 to 2559; the first
// MPEG data starts at 2860, and each further track's data 250 blocks after the
// end of the previous one's.
inline constexpr std::uint32_t kTrack1Sectors = 2560;
inline constexpr std::uint32_t kFirstDataStart = 2860;
inline constexpr std::uint32_t kTrackSpacing = 250;
// Empty sectors written behind each track's data.
inline constexpr std::uint32_t kTrailingEmptySectors = 50;

// The MPEGAV directory is one sector: "." and ".." and 32 file records.
inline constexpr std::size_t kMaxMpegTracks = 32;

// One MPEG track: its first data sector and its number of data sectors. The
// track number of entry i is i + 2.
struct VcdTrackEntry {
  std::uint32_t dataStart = 0;
  std::uint32_t dataLength = 0;
};

// The MPEG tracks of one disc and the end sector e (the sector after the last
// track's data plus its 250-sector spacing).
struct VcdTrackTable {
  std::vector<VcdTrackEntry> entries;
  std::uint32_t end = kFirstDataStart;

  // The volume space size the descriptor records.
  std::uint32_t VolumeSpaceSize() const { return end - 150; }
};

// Sectors needed for `bytes` of MPEG data.
constexpr std::uint64_t MpegSectorsFor(std::uint64_t bytes) {
  return (bytes + kMpegDataSize - 1) / kMpegDataSize;
}

// Blocks the drive writes itself behind each track written track at once.
inline constexpr std::uint32_t kRunOutSectors = 2;

// The blocks a disc's tracks take from block 0: up to the last track's data,
// then its empty sectors and run-out.
constexpr std::int64_t BlocksUsed(const VcdTrackTable& table) {
  return static_cast<std::int64_t>(table.end) - kTrackSpacing + kTrailingEmptySectors + kRunOutSectors;
}

// The data sectors a disc of `freeBlocks` (from block 0) has room for when it
// carries one MPEG track; 0 or less when it has none.
constexpr std::int64_t DataRoom(std::int64_t freeBlocks) {
  return freeBlocks - kFirstDataStart - kTrailingEmptySectors - kRunOutSectors;
}

// Blocks of each disc's free-block figure a spread file's data does not count
// on: the figure a drive reports is not always what the disc takes to its
// end, so a spread disc is never filled to it.
inline constexpr std::int64_t kSpreadReserve = 20000;

// The data sectors each disc of a spread file gets: its free blocks less the
// reserve (never more than the data room); 0 or less when it has none.
constexpr std::int64_t SpreadRoom(std::int64_t freeBlocks) {
  return std::min(DataRoom(freeBlocks), freeBlocks - kSpreadReserve);
}

// Spreading one file over several discs, each with `room` data sectors: the
// file needs more than one disc when its sectors outnumber the room.
constexpr bool NeedsSeveralDiscs(std::uint64_t fileSize, std::int64_t room) {
  return room < static_cast<std::int64_t>(MpegSectorsFor(fileSize));
}

// The data sectors of the next disc of a spread file with `left` bytes to go:
// the whole room, or the sectors the bytes fill when they fit in it.
constexpr std::uint32_t NextDiscLength(std::uint64_t left, std::int64_t room) {
  return NeedsSeveralDiscs(left, room) ? static_cast<std::uint32_t>(room)
                                       : static_cast<std::uint32_t>(MpegSectorsFor(left));
}

// Lays out one track per file size, in order. Nothing when a track or the disc
// would run past what 32-bit sector addresses hold.
std::optional<VcdTrackTable> LayTracks(std::span<const std::uint64_t> fileSizes);

}  // namespace brenmark::vcd
