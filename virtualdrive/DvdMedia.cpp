#include "virtualdrive/DvdMedia.h"

#include <utility>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DiscGeometry.h"

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint16_t kDvdRom = 0x0010;
constexpr std::uint16_t kDvdR = 0x0011;
constexpr std::uint16_t kDvdRwOverwrite = 0x0013;
constexpr std::uint16_t kDvdRwSequential = 0x0014;
constexpr std::uint16_t kDvdPlusRw = 0x001A;
constexpr std::uint16_t kDvdPlusR = 0x001B;

// FORMAT UNIT format types.
constexpr std::uint8_t kDvdRwFull = 0x10;
constexpr std::uint8_t kDvdRwQuick = 0x15;
constexpr std::uint8_t kDvdPlusRwFormat = 0x26;

// The first physical sector of a DVD's data area.
constexpr std::uint32_t kDataAreaStart = 0x030000;

// Book type and part version of the physical format.
std::uint8_t BookType(MediumKind kind) {
  switch (kind) {
    case MediumKind::DvdR: return 0x25;
    case MediumKind::DvdRw: return 0x32;
    case MediumKind::DvdPlusRw: return 0x92;
    case MediumKind::DvdPlusR: return 0xA1;
    default: break;
  }
  return 0x01;
}

// Layer type bits: embossed 1, recordable 2, rewritable 4.
std::uint8_t LayerType(MediumKind kind) {
  if (kind == MediumKind::DvdRom) return 0x01;
  return IsErasable(kind) ? 0x04 : 0x02;
}

std::vector<std::uint8_t> PhysicalFormat(const DiscState& disc) {
  std::vector<std::uint8_t> out(4 + 2048, 0);
  bytes::WriteBe16(&out[0], static_cast<std::uint16_t>(out.size() - 2));
  std::uint8_t* info = &out[4];
  info[0] = BookType(disc.kind);
  info[1] = 0x02;  // 120 mm, 10.08 Mbit/s
  info[2] = LayerType(disc.kind);  // one layer, parallel track path
  info[3] = 0x10;  // 0.267 um/bit, 0.74 um/track
  // The data area ends where the recorded data does on a disc closed for
  // good, and at the capacity of a recordable one.
  const std::int32_t blocks = disc.finalized ? disc.sessions.back().leadOutStart : disc.Capacity();
  bytes::WriteBe32(&info[4], kDataAreaStart);
  bytes::WriteBe32(&info[8], kDataAreaStart + static_cast<std::uint32_t>(blocks) - 1);
  if (disc.kind == MediumKind::DvdPlusR || disc.kind == MediumKind::DvdPlusRw) {
    // The maker, type and revision of the medium, as the pre-groove holds them.
    const char mediaId[] = "BRENMARKP01";
    for (std::size_t index = 0; index + 1 < sizeof(mediaId); ++index) {
      info[19 + index] = static_cast<std::uint8_t>(mediaId[index]);
    }
  }
  return out;
}

void AddCapacity(std::vector<std::uint8_t>& out, std::int32_t blocks, std::uint8_t typeByte, std::uint32_t parameter) {
  const std::size_t at = out.size();
  out.resize(at + 8, 0);
  bytes::WriteBe32(&out[at], static_cast<std::uint32_t>(blocks));
  out[at + 4] = typeByte;
  out[at + 5] = static_cast<std::uint8_t>(parameter >> 16);
  out[at + 6] = static_cast<std::uint8_t>(parameter >> 8);
  out[at + 7] = static_cast<std::uint8_t>(parameter);
}

}  // namespace

std::uint16_t ProfileOfMedium(MediumKind kind, bool formatted) {
  switch (kind) {
    case MediumKind::CdRom: return 0x0008;
    case MediumKind::CdR: return 0x0009;
    case MediumKind::CdRw: return 0x000A;
    case MediumKind::DvdRom: return kDvdRom;
    case MediumKind::DvdR: return kDvdR;
    case MediumKind::DvdRw: return formatted ? kDvdRwOverwrite : kDvdRwSequential;
    case MediumKind::DvdPlusRw: return kDvdPlusRw;
    case MediumKind::DvdPlusR: return kDvdPlusR;
  }
  return 0;
}

const std::vector<std::uint16_t>& DvdRecorderProfiles() {
  static const std::vector<std::uint16_t> profiles = {kDvdPlusR,       kDvdPlusRw, kDvdRwSequential,
                                                      kDvdRwOverwrite, kDvdR,      kDvdRom};
  return profiles;
}

const std::vector<ProfiledFeature>& DvdRecorderFeatures() {
  static const std::vector<ProfiledFeature> features = {
      {0x001F, 0, {kDvdRom, kDvdR, kDvdRwOverwrite, kDvdRwSequential, kDvdPlusRw, kDvdPlusR}, {0, 0, 0, 0}},
      // Incremental streaming writable: Mode 1 blocks, one link size of 16 blocks.
      {0x0021, 1, {kDvdR, kDvdRwSequential}, {0x01, 0x00, 0x00, 0x01, 0x10, 0, 0, 0}},
      {0x0023, 0, {kDvdRwOverwrite, kDvdRwSequential, kDvdPlusRw}, {}},
      {0x0026, 0, {kDvdRwOverwrite}, {}},
      // DVD+RW: write.
      {0x002A, 1, {kDvdPlusRw}, {0x01, 0, 0, 0}},
      // DVD+R: write.
      {0x002B, 0, {kDvdPlusR}, {0x01, 0, 0, 0}},
      // Rigid restricted overwrite: blank.
      {0x002C, 0, {kDvdRwOverwrite}, {0x01, 0, 0, 0}},
      // DVD-R/-RW write: buffer underrun free, test write, DVD-RW.
      {0x002F, 1, {kDvdR, kDvdRwSequential}, {0x46, 0, 0, 0}},
  };
  return features;
}

Response DvdStructure(const DiscState& disc, std::uint8_t format) {
  if (IsCdMedium(disc.kind)) return {{}, Sense{0x05, 0x30, 0x02}};  // cannot read medium: incompatible format
  switch (format) {
    case 0x00: return {PhysicalFormat(disc), std::nullopt};
    case 0x01: return {{0, 6, 0, 0, 0, 0, 0, 0}, std::nullopt};  // no copy protection, every region
    case 0x04: {
      std::vector<std::uint8_t> out(4 + 2048, 0);
      bytes::WriteBe16(&out[0], static_cast<std::uint16_t>(out.size() - 2));
      return {out, std::nullopt};
    }
    case 0xFF: {
      std::vector<std::uint8_t> out = {0, 0, 0, 0};
      for (const auto& [code, length] : {std::pair<std::uint8_t, std::uint16_t>{0x00, 2048}, {0x01, 4}, {0x04, 2048},
                                         {0xFF, 16}}) {
        // Readable with READ DVD STRUCTURE, not sent with SEND DVD STRUCTURE.
        out.insert(out.end(), {code, 0x40, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
      }
      bytes::WriteBe16(&out[0], static_cast<std::uint16_t>(out.size() - 2));
      return {out, std::nullopt};
    }
    default: break;
  }
  return {{}, sense::kInvalidFieldInCdb};
}

Response FormatCapacities(const DiscState& disc) {
  constexpr std::uint8_t kUnformatted = 0x01;
  constexpr std::uint8_t kFormatted = 0x02;
  constexpr std::uint32_t kBlockLength = 2048;
  std::vector<std::uint8_t> out(4, 0);
  const std::int32_t capacity = disc.Capacity();
  const bool blank = disc.Status() == DiscStatus::Blank;
  AddCapacity(out, capacity, disc.formatted || (!blank && !IsFormattable(disc.kind)) ? kFormatted : kUnformatted,
              kBlockLength);
  if (disc.kind == MediumKind::DvdPlusRw) {
    AddCapacity(out, capacity, kDvdPlusRwFormat << 2, 0);
  } else if (disc.kind == MediumKind::DvdRw) {
    AddCapacity(out, capacity, kDvdRwFull << 2, geometry::kDvdEccBlocks);
    AddCapacity(out, capacity, kDvdRwQuick << 2, 0);
  }
  out[3] = static_cast<std::uint8_t>(out.size() - 4);
  return {out, std::nullopt};
}

}  // namespace brenmark::virtualdrive
