#pragma once

#include <cstdint>

namespace brenmark {

// How a data DVD burn writes the medium in the drive.
enum class DvdWriteStrategy : std::uint8_t {
  // One session after RESERVE TRACK of its size; the disc is closed.
  DiscAtOnce,
  // A track at the next writable address, then CLOSE TRACK and CLOSE SESSION,
  // leaving room for another session when the user asked for it.
  Incremental,
  // DVD+RW and DVD-RW in restricted overwrite: written in place from block 0;
  // a later burn grows the file system behind the old one and rewrites the
  // volume descriptors at block 16 to describe both.
  Overwrite,
};

// The strategy for the medium of the drive's current `profile`: a blank
// DVD-R or DVD-RW is written at once unless the user asked to leave it open;
// an open one, and any DVD+R, incrementally; overwritable media in place.
// Media the drive did not name are written at once, as every DVD was before.
DvdWriteStrategy ChooseDvdWriteStrategy(std::uint16_t profile, bool blank, bool leaveOpen);

// DVD+RW: the medium's profile when it must be formatted before writing.
inline constexpr std::uint16_t kDvdPlusRwProfile = 0x001A;
inline constexpr std::uint16_t kDvdPlusRProfile = 0x001B;
// FORMAT UNIT format type of a DVD+RW, and the block count that formats the whole disc.
inline constexpr std::uint8_t kDvdPlusRwFormatType = 0x26;
inline constexpr std::uint32_t kFormatWholeDisc = 0xFFFFFFFF;

}  // namespace brenmark
