#include "datadisc/VolumeDescriptors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "bytes/ByteOrder.h"
#include "datadisc/IsoBytes.h"
#include "datadisc/Utf16.h"
#include "platform/LocalTime.h"

namespace brenmark::datadisc {
namespace {

constexpr char kStandardIdentifier[] = "CD001";
constexpr char kUnsetDate[] = "16010101030000001";
constexpr char kXaSignature[] = "CD-XA001";
constexpr std::size_t kVolumeIdentifierSize = 32;
// Fixed recording time of the root record: 2002-09-09 15:20:00, GMT+2.
constexpr std::uint8_t kRootRecordTime[7] = {102, 9, 9, 15, 20, 0, 8};

void PutText(std::uint8_t* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
}

void Fill(std::uint8_t* out, std::size_t count, std::uint8_t value) {
  std::memset(out, value, count);
}

// The fields both descriptors share.
void BuildCommon(std::uint8_t type, const DescriptorFields& fields, std::uint8_t* d) {
  std::memset(d, 0, kDescriptorSize);
  d[0] = type;
  PutText(d + 1, kStandardIdentifier);
  d[6] = 1;
  bytes::WriteBoth32(d + 80, fields.volumeSpaceSize);
  bytes::WriteBoth16(d + 120, 1);
  bytes::WriteBoth16(d + 124, 1);
  bytes::WriteBoth16(d + 128, kSectorSize);
  bytes::WriteBoth32(d + 132, static_cast<std::uint32_t>(fields.pathTableSize));
  bytes::WriteLe32(d + 140, fields.lTable);
  bytes::WriteBe32(d + 148, fields.lTable + static_cast<std::uint32_t>(SectorsFor(fields.pathTableSize)));

  std::uint8_t* root = d + 156;
  root[0] = 34;
  bytes::WriteBoth32(root + 2, fields.rootExtent);
  bytes::WriteBoth32(root + 10, static_cast<std::uint32_t>(RoundToSectors(fields.rootSize)));
  std::memcpy(root + 18, kRootRecordTime, sizeof kRootRecordTime);
  root[25] = 2;
  bytes::WriteBoth16(root + 28, 1);
  root[32] = 1;

  EncodeDescriptorDate(fields.now, d + 813);
  std::memcpy(d + 830, d + 813, 17);
  PutText(d + 847, kUnsetDate);
  PutText(d + 864, kUnsetDate);
  d[881] = 1;
  if (fields.xaRecords) PutText(d + 1024, kXaSignature);
}

}  // namespace

void EncodeDescriptorDate(std::time_t time, std::uint8_t* out) {
  const std::tm local = platform::LocalTime(time);
  char text[64];
  std::snprintf(text, sizeof text, "%d%02d%02d%02d%02d%02d001", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  std::memcpy(out, text, 17);
}

void BuildPrimaryDescriptor(const DescriptorFields& fields, std::span<std::uint8_t> buffer) {
  std::uint8_t* d = buffer.data();
  BuildCommon(1, fields, d);
  Fill(d + 8, 32, ' ');
  Fill(d + 40, kVolumeIdentifierSize, ' ');
  PutText(d + 40, fields.label.substr(0, Utf8PrefixLength(fields.label, kVolumeIdentifierSize)));
  Fill(d + 190, 3 * 128, ' ');
  Fill(d + 574, 128, ' ');
  PutText(d + 574, kApplicationIdentifier);
  Fill(d + 702, 3 * 37, ' ');
}

void BuildJolietDescriptor(const DescriptorFields& fields, std::span<std::uint8_t> buffer) {
  std::uint8_t* d = buffer.data();
  BuildCommon(2, fields, d);
  PutText(d + 40, ToUtf16Be(fields.label, kVolumeIdentifierSize / 2));
  d[88] = 0x25;
  d[89] = 0x2F;
  d[90] = 0x45;
  PutText(d + 574, ToUtf16Be(kApplicationIdentifier));
}

void BuildTerminator(std::span<std::uint8_t> buffer) {
  std::uint8_t* d = buffer.data();
  std::memset(d, 0, kDescriptorSize);
  d[0] = 255;
  PutText(d + 1, kStandardIdentifier);
  d[6] = 1;
}

}  // namespace brenmark::datadisc
