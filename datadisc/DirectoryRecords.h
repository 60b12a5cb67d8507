#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

#include "datadisc/SourceNode.h"

// The directory records of the ISO 9660 and Joliet trees, with or without
// the CD-XA field, and the directories they make.
namespace brenmark::datadisc {

// Bytes of the "." and ".." records together.
inline constexpr std::uint32_t kDotRecordsSize = 68;
// Bytes of the CD-XA system use field added to every record when enabled.
inline constexpr std::uint32_t kXaFieldSize = 14;
// CD-XA attributes of directories and of Mode 1 / Mode 2 Form 1 files.
inline constexpr std::uint16_t kXaDirectoryAttributes = 0x8D55;
inline constexpr std::uint16_t kXaFileAttributes = 0x0D55;

// How the records of one directory are written.
struct RecordOptions {
  bool xaRecords = false;     // append the CD-XA field to every record
  bool useFileTimes = false;  // file records carry the file's creation time
  std::time_t now = 0;        // the time of writing, for all other records
};

// The seven recording-time bytes of a record: local time, years since 1900,
// month, day, hour, minute, second (rounded down to even unless told not to),
// GMT offset 0.
void EncodeRecordTime(std::time_t time, std::uint8_t* out, bool evenSecond = true);

// The fields of one directory record.
struct RecordFields {
  std::uint32_t extent = 0;
  std::uint32_t dataLength = 0;
  const std::uint8_t* recordingTime = nullptr;  // seven bytes
  bool isDirectory = false;
  std::span<const std::uint8_t> identifier;
  bool xaField = false;
  std::uint16_t xaAttributes = 0;
};

// Length of a record with an identifier of `identifierLength` bytes.
constexpr std::uint32_t RecordLength(std::uint32_t identifierLength, bool xaField) {
  return 33 + identifierLength + (identifierLength % 2 == 0 ? 1 : 0) + (xaField ? kXaFieldSize : 0);
}

// Writes one record at `out` and returns its length.
std::uint32_t WriteDirectoryRecord(const RecordFields& fields, std::uint8_t* out);

// Record length of a node in its directory's ISO 9660 or Joliet records. The
// ISO form uses the node's isoName, the Joliet form its discName.
std::uint32_t IsoRecordLength(const SourceNode& node, bool xaRecords);
std::uint32_t JolietRecordLength(const SourceNode& node, bool xaRecords);

// Byte size of a directory holding `list`: "." and "..", then the records in
// sibling order, a record that does not fit into the rest of a sector
// starting at the next one.
std::uint64_t IsoDirectorySize(const EntryList& list, bool xaRecords);
std::uint64_t JolietDirectorySize(const EntryList& list, bool xaRecords);

// Where a directory and its parent lie; sizes are rounded up when written.
struct DirectoryPlace {
  std::uint32_t ownExtent = 0;
  std::uint64_t ownSize = 0;
  std::uint32_t parentExtent = 0;
  std::uint64_t parentSize = 0;
};

// Fills `out` (zeroed, at least the directory size rounded up to whole
// sectors) with the directory's records. Directory nodes in `list` take their
// extent and their rounded size from the node (dataLength for ISO 9660,
// jolietDirLength for Joliet).
void WriteIsoDirectory(const DirectoryPlace& place, const EntryList& list,
                       const RecordOptions& options, std::span<std::uint8_t> out);
void WriteJolietDirectory(const DirectoryPlace& place, const EntryList& list,
                          const RecordOptions& options, std::span<std::uint8_t> out);

}  // namespace brenmark::datadisc
