#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

#include "datadisc/VolumeDescriptors.h"
#include "vcd/VcdTrackTable.h"

// Track 1 of a Video CD, sector by sector: the volume descriptor and its
// terminator, the path tables, the five directories, INFO.VCD and ENTRIES.VCD
// (entry points in BCD). Record and descriptor bytes come from datadisc/'s
// writers; only the Video CD's own values are set here.
namespace brenmark::vcd {

// Sectors of track 1 that are not zero.
inline constexpr std::uint32_t kDescriptorSector = 16;
inline constexpr std::uint32_t kTerminatorSector = 17;
inline constexpr std::uint32_t kLPathTableSector = 32;
inline constexpr std::uint32_t kMPathTableSector = 33;
inline constexpr std::uint32_t kRootSector = 34;
inline constexpr std::uint32_t kCdiSector = 35;
inline constexpr std::uint32_t kExtSector = 36;
inline constexpr std::uint32_t kMpegavSector = 37;
inline constexpr std::uint32_t kVcdSector = 38;
inline constexpr std::uint32_t kInfoVcdSector = 150;
inline constexpr std::uint32_t kEntriesVcdSector = 151;
// From here to the end of track 1 every sector is zero.
inline constexpr std::uint32_t kTrailingZeroSectors = 152;

inline constexpr std::uint32_t kPathTableSize = 60;
inline constexpr std::string_view kVolumeLabel = "VIDEOCD";

// The high byte of a file record's CD-XA attributes (the low byte is 55h).
inline constexpr std::uint8_t kMpegFileAttributes = 0x15;     // Mode 2 Form 2
inline constexpr std::uint8_t kControlFileAttributes = 0x0D;  // Mode 2 Form 1

// The primary volume descriptor of a Video CD: the data disc's layout with the
// Video CD's identifiers and a root record without a recording time. Fills
// the whole 2048-byte buffer.
void BuildVcdDescriptor(const datadisc::DescriptorFields& fields, std::span<std::uint8_t> buffer);

// Writes the record of file `name` (";1" is appended) at `out` and returns its
// length. `recordingTime` is the record's seven time bytes.
std::uint32_t BuildVcdFileRecord(std::string_view name, std::uint32_t extent, std::uint32_t dataLength,
                                 std::uint8_t attributeHigh, const std::uint8_t* recordingTime,
                                 std::uint8_t* out);

// ENTRIES.VCD: one entry point per track, at the time of block dataStart - 45.
// Fills the whole 2048-byte buffer.
void BuildEntriesVcd(const VcdTrackTable& table, std::span<std::uint8_t> buffer);

// Fills `buffer` (2048 bytes) with block `lba` of track 1 for the given MPEG
// tracks; `now` is the time recorded in the descriptor and the file records.
void BuildTrack1Sector(std::uint32_t lba, const VcdTrackTable& table, std::time_t now,
                       std::span<std::uint8_t> buffer);

}  // namespace brenmark::vcd
