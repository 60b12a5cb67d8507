#include "virtualdrive/image/SectorEncoder.h"

#include <array>
#include <cstring>

#include "bytes/ByteOrder.h"
#include "virtualdrive/image/SectorParity.h"

namespace brenmark::virtualdrive {
namespace {

constexpr std::array<std::uint8_t, 12> kSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t kHeaderOffset = 12;
constexpr std::size_t kSubheaderOffset = 16;
constexpr std::size_t kSubheaderSize = 8;
constexpr std::size_t kMode1DataOffset = 16;
constexpr std::size_t kMode2DataOffset = 24;
constexpr std::size_t kForm1DataSize = 2048;
constexpr std::size_t kForm2DataSize = 2324;
constexpr std::uint8_t kSubmodeForm2 = 0x20;

// Frames per minute of absolute time; addresses of the lead-in (before -150) wrap
// around the 100-minute range as MMC counts them.
constexpr std::int32_t kFramesPerSecond = 75;
constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;
constexpr std::int32_t kAddressRange = 100 * kFramesPerMinute;

std::uint8_t ToBcd(std::int32_t value) {
  return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

void WriteEdc(std::uint8_t* raw, std::size_t from, std::size_t to) {
  bytes::WriteLe32(raw + to, ComputeEdc(raw + from, to - from));
}

void WriteSubheader(const std::uint8_t* subheader8, std::uint8_t* raw) {
  std::memmove(raw + kSubheaderOffset, subheader8, kSubheaderSize);
}

}  // namespace

void WriteSyncAndHeader(std::int32_t lba, std::uint8_t mode, std::uint8_t* raw) {
  std::memcpy(raw, kSync.data(), kSync.size());
  std::int32_t address = (lba + 150) % kAddressRange;
  if (address < 0) address += kAddressRange;
  raw[kHeaderOffset] = ToBcd(address / kFramesPerMinute);
  raw[kHeaderOffset + 1] = ToBcd((address / kFramesPerSecond) % 60);
  raw[kHeaderOffset + 2] = ToBcd(address % kFramesPerSecond);
  raw[kHeaderOffset + 3] = mode;
}

void EncodeMode1Sector(std::int32_t lba, const std::uint8_t* data2048, std::uint8_t* raw) {
  WriteSyncAndHeader(lba, 1, raw);
  std::memmove(raw + kMode1DataOffset, data2048, kForm1DataSize);
  WriteEdc(raw, 0, 2064);
  std::memset(raw + 2068, 0, 8);
  WriteSectorParity(raw);
}

void EncodeMode2Form1Sector(std::int32_t lba, const std::uint8_t* subheader8,
                            const std::uint8_t* data2048, std::uint8_t* raw) {
  WriteSubheader(subheader8, raw);
  std::memmove(raw + kMode2DataOffset, data2048, kForm1DataSize);
  WriteEdc(raw, kSubheaderOffset, 2072);
  std::memset(raw + kHeaderOffset, 0, 4);
  WriteSectorParity(raw);
  WriteSyncAndHeader(lba, 2, raw);
}

void EncodeMode2Form2Sector(std::int32_t lba, const std::uint8_t* subheader8,
                            const std::uint8_t* data2324, std::uint8_t* raw) {
  WriteSyncAndHeader(lba, 2, raw);
  WriteSubheader(subheader8, raw);
  std::memmove(raw + kMode2DataOffset, data2324, kForm2DataSize);
  WriteEdc(raw, kSubheaderOffset, 2348);
}

void EncodeMode2Block(std::int32_t lba, const std::uint8_t* block2332, std::uint8_t* raw) {
  const std::uint8_t* subheader = block2332;
  const std::uint8_t* data = block2332 + kSubheaderSize;
  if (subheader[2] & kSubmodeForm2) {
    EncodeMode2Form2Sector(lba, subheader, data, raw);
  } else {
    EncodeMode2Form1Sector(lba, subheader, data, raw);
  }
}

}  // namespace brenmark::virtualdrive
