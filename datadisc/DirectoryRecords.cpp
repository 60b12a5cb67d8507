#include "datadisc/DirectoryRecords.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "bytes/ByteOrder.h"
#include "datadisc/IsoBytes.h"
#include "datadisc/Utf16.h"
#include "platform/LocalTime.h"

namespace brenmark::datadisc {
namespace {

// Room for any identifier: a record is at most 255 bytes long.
constexpr std::size_t kMaxIdentifier = 256;

constexpr std::uint8_t kDotIdentifier[] = {0x00};
constexpr std::uint8_t kDotDotIdentifier[] = {0x01};

std::uint32_t IsoIdentifierLength(const SourceNode& node) {
  return static_cast<std::uint32_t>(node.isoName.size() + (node.isDirectory ? 0 : 2));
}

std::uint32_t JolietIdentifierLength(const SourceNode& node) {
  return static_cast<std::uint32_t>(2 * Utf16Units(node.discName) + (node.isDirectory ? 0 : 4));
}

// Places records in sector order; returns the offset for a record of `length`.
std::uint64_t PlaceRecord(std::uint64_t offset, std::uint32_t length) {
  const std::uint64_t used = offset % kSectorSize;
  if (used + length > kSectorSize) return offset - used + kSectorSize;
  return offset;
}

template <typename LengthOf>
std::uint64_t DirectorySize(const EntryList& list, bool xaRecords, LengthOf lengthOf) {
  std::uint64_t offset = kDotRecordsSize + (xaRecords ? 2 * kXaFieldSize : 0);
  for (const auto& node : list) {
    const std::uint32_t length = lengthOf(*node, xaRecords);
    offset = PlaceRecord(offset, length) + length;
  }
  return offset;
}

template <typename IdentifierOf>
void WriteDirectory(const DirectoryPlace& place, const EntryList& list,
                    const RecordOptions& options, std::span<std::uint8_t> out, bool joliet,
                    IdentifierOf identifierOf) {
  std::uint8_t now[7];
  EncodeRecordTime(options.now, now);

  RecordFields dot;
  dot.recordingTime = now;
  dot.isDirectory = true;
  dot.xaField = options.xaRecords;
  dot.xaAttributes = kXaDirectoryAttributes;
  dot.extent = place.ownExtent;
  dot.dataLength = static_cast<std::uint32_t>(RoundToSectors(place.ownSize));
  dot.identifier = kDotIdentifier;
  std::uint64_t offset = WriteDirectoryRecord(dot, out.data());
  dot.extent = place.parentExtent;
  dot.dataLength = static_cast<std::uint32_t>(RoundToSectors(place.parentSize));
  dot.identifier = kDotDotIdentifier;
  offset += WriteDirectoryRecord(dot, out.data() + offset);

  std::uint8_t identifier[kMaxIdentifier];
  std::uint8_t fileTime[7];
  for (const auto& node : list) {
    RecordFields fields;
    fields.isDirectory = node->isDirectory;
    fields.extent = joliet ? node->jolietExtent : node->isoExtent;
    fields.dataLength = node->isDirectory && joliet ? node->jolietDirLength : node->dataLength;
    fields.recordingTime = now;
    if (!node->isDirectory && options.useFileTimes) {
      EncodeRecordTime(static_cast<std::time_t>(node->creationTime), fileTime);
      fields.recordingTime = fileTime;
    }
    fields.identifier = std::span<const std::uint8_t>(identifier, identifierOf(*node, identifier));
    fields.xaField = options.xaRecords;
    fields.xaAttributes = node->isDirectory ? kXaDirectoryAttributes : kXaFileAttributes;
    const std::uint32_t length =
        RecordLength(static_cast<std::uint32_t>(fields.identifier.size()), options.xaRecords);
    offset = PlaceRecord(offset, length);
    WriteDirectoryRecord(fields, out.data() + offset);
    offset += length;
  }
}

std::size_t IsoIdentifier(const SourceNode& node, std::uint8_t* out) {
  std::memcpy(out, node.isoName.data(), node.isoName.size());
  std::size_t length = node.isoName.size();
  if (!node.isDirectory) {
    out[length++] = ';';
    out[length++] = '1';
  }
  return length;
}

std::size_t JolietIdentifier(const SourceNode& node, std::uint8_t* out) {
  std::size_t length = WriteUtf16Be(node.discName, out);
  if (!node.isDirectory) length += WriteUtf16Be(";1", out + length);
  return length;
}

}  // namespace

void EncodeRecordTime(std::time_t time, std::uint8_t* out, bool evenSecond) {
  const std::tm local = platform::LocalTime(time);
  out[0] = static_cast<std::uint8_t>(local.tm_year);
  out[1] = static_cast<std::uint8_t>(local.tm_mon + 1);
  out[2] = static_cast<std::uint8_t>(local.tm_mday);
  out[3] = static_cast<std::uint8_t>(local.tm_hour);
  out[4] = static_cast<std::uint8_t>(local.tm_min);
  out[5] = static_cast<std::uint8_t>(evenSecond ? local.tm_sec - local.tm_sec % 2 : local.tm_sec);
  out[6] = 0;
}

std::uint32_t WriteDirectoryRecord(const RecordFields& fields, std::uint8_t* out) {
  const auto identifierLength = static_cast<std::uint32_t>(fields.identifier.size());
  const std::uint32_t length = RecordLength(identifierLength, fields.xaField);
  out[0] = static_cast<std::uint8_t>(length);
  out[1] = 0;
  bytes::WriteBoth32(out + 2, fields.extent);
  bytes::WriteBoth32(out + 10, fields.dataLength);
  std::memcpy(out + 18, fields.recordingTime, 7);
  out[25] = fields.isDirectory ? 2 : 0;
  out[26] = 0;
  out[27] = 0;
  bytes::WriteBoth16(out + 28, 1);
  out[32] = static_cast<std::uint8_t>(identifierLength);
  std::copy(fields.identifier.begin(), fields.identifier.end(), out + 33);
  if (identifierLength % 2 == 0) out[33 + identifierLength] = 0;
  if (fields.xaField) {
    std::uint8_t* xa = out + length - kXaFieldSize;
    std::memset(xa, 0, kXaFieldSize);
    bytes::WriteBe16(xa + 4, fields.xaAttributes);
    xa[6] = 'X';
    xa[7] = 'A';
  }
  return length;
}

std::uint32_t IsoRecordLength(const SourceNode& node, bool xaRecords) {
  return RecordLength(IsoIdentifierLength(node), xaRecords);
}

std::uint32_t JolietRecordLength(const SourceNode& node, bool xaRecords) {
  return RecordLength(JolietIdentifierLength(node), xaRecords);
}

std::uint64_t IsoDirectorySize(const EntryList& list, bool xaRecords) {
  return DirectorySize(list, xaRecords, IsoRecordLength);
}

std::uint64_t JolietDirectorySize(const EntryList& list, bool xaRecords) {
  return DirectorySize(list, xaRecords, JolietRecordLength);
}

void WriteIsoDirectory(const DirectoryPlace& place, const EntryList& list,
                       const RecordOptions& options, std::span<std::uint8_t> out) {
  WriteDirectory(place, list, options, out, false, IsoIdentifier);
}

void WriteJolietDirectory(const DirectoryPlace& place, const EntryList& list,
                          const RecordOptions& options, std::span<std::uint8_t> out) {
  WriteDirectory(place, list, options, out, true, JolietIdentifier);
}

}  // namespace brenmark::datadisc
