#include "vcd/VcdFileSystem.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "datadisc/DirectoryRecords.h"
#include "bytes/ByteOrder.h"
#include "datadisc/IsoBytes.h"

namespace brenmark::vcd {
namespace {

using datadisc::kSectorSize;
using bytes::WriteBe16;
using bytes::WriteBe32;
using bytes::WriteLe16;
using bytes::WriteLe32;

constexpr std::string_view kSystemIdentifier = "CD-RTOS CD-BRIDGE";
constexpr std::string_view kVolumeSetIdentifier = "New Album";
constexpr std::string_view kApplicationIdentifier = "QUENTAR DVD BURNER, VERSION 1.0 2002";
constexpr std::string_view kAlbumIdentifier = "Test Album      ";
constexpr std::uint8_t kDirectoryAttributesHigh = 0x8D;
constexpr std::uint8_t kAttributesLow = 0x55;
// The subdirectories of the root carry 2002-12-13 22:16:10, GMT+3.
constexpr std::uint8_t kSubdirectoryTime[7] = {102, 12, 13, 22, 16, 10, 12};
constexpr std::uint8_t kNoTime[7] = {};
// Where the records behind "." and ".." begin.
constexpr std::uint32_t kFirstRecordOffset = 96;
// An entry point lies 45 blocks before the track's data; a time counts the
// 150 frames before block 0.
constexpr std::uint32_t kEntryPointLead = 45;
constexpr std::uint32_t kEntryPointFrames = 150 - kEntryPointLead;

struct PathTableRecord {
  std::string_view identifier;
  std::uint32_t extent;
};

constexpr PathTableRecord kPathTable[] = {
    {std::string_view("\0", 1), kRootSector},
    {"CDI", kCdiSector},
    {"EXT", kExtSector},
    {"MPEGAV", kMpegavSector},
    {"VCD", kVcdSector},
};

void PutPadded(std::uint8_t* out, std::string_view text, std::size_t width, char pad) {
  std::memset(out, pad, width);
  std::memcpy(out, text.data(), text.size());
}

std::uint32_t PutRecord(std::string_view identifier, std::uint32_t extent, std::uint32_t dataLength,
                        bool directory, std::uint8_t attributeHigh, const std::uint8_t* time,
                        std::uint8_t* out) {
  datadisc::RecordFields fields;
  fields.extent = extent;
  fields.dataLength = dataLength;
  fields.recordingTime = time;
  fields.isDirectory = directory;
  fields.identifier = std::span(reinterpret_cast<const std::uint8_t*>(identifier.data()), identifier.size());
  fields.xaField = true;
  fields.xaAttributes = static_cast<std::uint16_t>(attributeHigh << 8 | kAttributesLow);
  return datadisc::WriteDirectoryRecord(fields, out);
}

std::uint32_t PutDirectoryRecord(std::string_view identifier, std::uint32_t extent, const std::uint8_t* time,
                                 std::uint8_t* out) {
  return PutRecord(identifier, extent, kSectorSize, true, kDirectoryAttributesHigh, time, out);
}

// "." and ".." of a directory; returns the offset behind them.
std::uint32_t PutDotRecords(std::uint32_t ownExtent, std::uint8_t* out) {
  std::uint32_t offset = PutDirectoryRecord(std::string_view("\0", 1), ownExtent, kNoTime, out);
  offset += PutDirectoryRecord(std::string_view("\1", 1), kRootSector, kNoTime, out + offset);
  return offset;
}

void BuildPathTable(bool bigEndian, std::uint8_t* out) {
  for (const PathTableRecord& record : kPathTable) {
    out[0] = static_cast<std::uint8_t>(record.identifier.size());
    if (bigEndian) {
      WriteBe32(out + 2, record.extent);
      WriteBe16(out + 6, 1);
    } else {
      WriteLe32(out + 2, record.extent);
      WriteLe16(out + 6, 1);
    }
    std::memcpy(out + 8, record.identifier.data(), record.identifier.size());
    out += 8 + record.identifier.size() + record.identifier.size() % 2;
  }
}

void BuildRootDirectory(std::uint8_t* out) {
  std::uint32_t offset = PutDotRecords(kRootSector, out);
  for (const PathTableRecord& record : std::span(kPathTable).subspan(1)) {
    offset += PutDirectoryRecord(record.identifier, record.extent, kSubdirectoryTime, out + offset);
  }
}

void BuildMpegavDirectory(const VcdTrackTable& table, const std::uint8_t* time, std::uint8_t* out) {
  PutDotRecords(kMpegavSector, out);
  std::uint32_t offset = kFirstRecordOffset;
  for (std::size_t i = 0; i < table.entries.size() && i < kMaxMpegTracks; ++i) {
    const VcdTrackEntry& entry = table.entries[i];
    char name[16];
    std::snprintf(name, sizeof name, "AVSEQ%02u.DAT", static_cast<unsigned>(i + 1));
    // The file starts where the entry point does, 45 blocks before the MPEG
    // data, so its length counts those blocks too: it ends where the data ends.
    offset += BuildVcdFileRecord(name, entry.dataStart - kEntryPointLead,
                                 (kEntryPointLead + entry.dataLength) * kSectorSize, kMpegFileAttributes, time,
                                 out + offset);
  }
}

void BuildVcdDirectory(const std::uint8_t* time, std::uint8_t* out) {
  PutDotRecords(kVcdSector, out);
  std::uint32_t offset = kFirstRecordOffset;
  offset += BuildVcdFileRecord("ENTRIES.VCD", kEntriesVcdSector, kSectorSize, kControlFileAttributes,
                               time, out + offset);
  BuildVcdFileRecord("INFO.VCD", kInfoVcdSector, kSectorSize, kControlFileAttributes, time, out + offset);
}

void BuildInfoVcd(std::uint8_t* out) {
  std::memcpy(out, "VIDEO_CD", 8);
  out[8] = 2;
  std::memcpy(out + 10, kAlbumIdentifier.data(), kAlbumIdentifier.size());
  WriteBe16(out + 26, 1);
  WriteBe16(out + 28, 1);
  out[51] = 8;
}

std::uint8_t Bcd(std::uint32_t value) { return static_cast<std::uint8_t>(value / 10 * 16 + value % 10); }

}  // namespace

void BuildVcdDescriptor(const datadisc::DescriptorFields& fields, std::span<std::uint8_t> buffer) {
  datadisc::DescriptorFields xa = fields;
  xa.xaRecords = true;
  datadisc::BuildPrimaryDescriptor(xa, buffer);
  std::uint8_t* d = buffer.data();
  PutPadded(d + 8, kSystemIdentifier, 32, ' ');
  std::memset(d + 156 + 18, 0, 7);
  PutPadded(d + 190, kVolumeSetIdentifier, 128, ' ');
  PutPadded(d + 574, kApplicationIdentifier, 128, ' ');
  std::memset(d + 702, 0, 3 * 37);
}

std::uint32_t BuildVcdFileRecord(std::string_view name, std::uint32_t extent, std::uint32_t dataLength,
                                 std::uint8_t attributeHigh, const std::uint8_t* recordingTime,
                                 std::uint8_t* out) {
  char identifier[64];
  const int length = std::snprintf(identifier, sizeof identifier, "%.*s;1", static_cast<int>(name.size()), name.data());
  return PutRecord(std::string_view(identifier, static_cast<std::size_t>(length)), extent, dataLength, false,
                   attributeHigh, recordingTime, out);
}

void BuildEntriesVcd(const VcdTrackTable& table, std::span<std::uint8_t> buffer) {
  std::uint8_t* out = buffer.data();
  std::memset(out, 0, kSectorSize);
  std::memcpy(out, "ENTRYVCD", 8);
  out[8] = 2;
  const std::size_t count = std::min(table.entries.size(), kMaxMpegTracks);
  out[11] = static_cast<std::uint8_t>(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t x = table.entries[i].dataStart + kEntryPointFrames;
    std::uint8_t* entry = out + 12 + 4 * i;
    // Players read the track number as BCD, like the time after it.
    entry[0] = Bcd(static_cast<std::uint32_t>(i + 2));
    entry[1] = Bcd(x / 4500);
    entry[2] = Bcd(x % 4500 / 75);
    entry[3] = Bcd(x % 75);
  }
}

void BuildTrack1Sector(std::uint32_t lba, const VcdTrackTable& table, std::time_t now,
                       std::span<std::uint8_t> buffer) {
  std::uint8_t* out = buffer.data();
  std::memset(out, 0, kSectorSize);
  std::uint8_t fileTime[7];
  datadisc::EncodeRecordTime(now, fileTime, false);
  switch (lba) {
    case kDescriptorSector: {
      datadisc::DescriptorFields fields;
      fields.volumeSpaceSize = table.VolumeSpaceSize();
      fields.lTable = kLPathTableSector;
      fields.pathTableSize = kPathTableSize;
      fields.rootExtent = kRootSector;
      fields.rootSize = kSectorSize;
      fields.label = kVolumeLabel;
      fields.now = now;
      BuildVcdDescriptor(fields, buffer);
      break;
    }
    case kTerminatorSector: datadisc::BuildTerminator(buffer); break;
    case kLPathTableSector: BuildPathTable(false, out); break;
    case kMPathTableSector: BuildPathTable(true, out); break;
    case kRootSector: BuildRootDirectory(out); break;
    case kCdiSector:
    case kExtSector: PutDotRecords(lba, out); break;
    case kMpegavSector: BuildMpegavDirectory(table, fileTime, out); break;
    case kVcdSector: BuildVcdDirectory(fileTime, out); break;
    case kInfoVcdSector: BuildInfoVcd(out); break;
    case kEntriesVcdSector: BuildEntriesVcd(table, buffer); break;
    default: break;
  }
}

}  // namespace brenmark::vcd
