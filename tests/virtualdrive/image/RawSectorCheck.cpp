#include "tests/virtualdrive/image/RawSectorCheck.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

#include "virtualdrive/image/CueImage.h"

namespace brenmark::testsupport {
namespace {

constexpr std::size_t kSectorSize = 2352;

std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
  unsigned product = 0;
  for (int bit = 7; bit >= 0; --bit) {
    product <<= 1;
    if (product & 0x100u) product ^= 0x11Du;
    if (b & (1u << bit)) product ^= a;
  }
  return static_cast<std::uint8_t>(product);
}

// Powers of a = 2 up to a^44, the highest weight of a Q codeword.
const std::array<std::uint8_t, 45>& AlphaPowers() {
  static const std::array<std::uint8_t, 45> powers = [] {
    std::array<std::uint8_t, 45> table{};
    table[0] = 1;
    for (std::size_t i = 1; i < table.size(); ++i) table[i] = GfMultiply(table[i - 1], 2);
    return table;
  }();
  return powers;
}

// A codeword of length n is sound when sum v_i = 0 and sum a^(n-1-i) v_i = 0.
template <typename ByteAt>
bool SyndromesVanish(int length, ByteAt byteAt) {
  const auto& alpha = AlphaPowers();
  std::uint8_t s0 = 0, s1 = 0;
  for (int i = 0; i < length; ++i) {
    const std::uint8_t v = byteAt(i);
    s0 ^= v;
    s1 ^= GfMultiply(alpha[length - 1 - i], v);
  }
  return s0 == 0 && s1 == 0;
}

// P and Q checks over bytes 12-2351. The 1170 words from byte 12 are split into their
// two byte planes; P codewords are the columns of a 26 x 43 word matrix, Q codewords
// its diagonals, with the Q parity words appended.
std::string CheckParity(const std::uint8_t* raw) {
  const std::uint8_t* code = raw + 12;
  for (int plane = 0; plane < 2; ++plane) {
    for (int column = 0; column < 43; ++column) {
      if (!SyndromesVanish(26, [&](int i) { return code[2 * (43 * i + column) + plane]; }))
        return "P codeword " + std::to_string(2 * column + plane) + " fails";
    }
    for (int diagonal = 0; diagonal < 26; ++diagonal) {
      const bool ok = SyndromesVanish(45, [&](int i) {
        const int word = i < 43 ? (44 * i + 43 * diagonal) % 1118 : 1118 + 26 * (i - 43) + diagonal;
        return code[2 * word + plane];
      });
      if (!ok) return "Q codeword " + std::to_string(2 * diagonal + plane) + " fails";
    }
  }
  return {};
}

std::uint32_t BitwiseEdc(const std::uint8_t* data, std::size_t length) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xD8018001u : crc >> 1;
  }
  return crc;
}

std::uint32_t StoredEdc(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

std::string CheckEdc(const std::uint8_t* raw, std::size_t from, std::size_t edcOffset) {
  if (BitwiseEdc(raw + from, edcOffset - from) != StoredEdc(raw + edcOffset)) return "EDC mismatch";
  return {};
}

int FromBcd(std::uint8_t value) {
  if ((value >> 4) > 9 || (value & 0x0F) > 9) return -1;
  return (value >> 4) * 10 + (value & 0x0F);
}

std::string CheckSyncAndHeader(const std::uint8_t* raw, std::int32_t lba) {
  for (int i = 0; i < 12; ++i) {
    const std::uint8_t expected = (i == 0 || i == 11) ? 0x00 : 0xFF;
    if (raw[i] != expected) return "bad sync pattern";
  }
  const int minute = FromBcd(raw[12]), second = FromBcd(raw[13]), frame = FromBcd(raw[14]);
  if (minute < 0 || second < 0 || frame < 0) return "header address is not BCD";
  std::int32_t address = lba + 150;
  if (address < 0) address += 450000;
  if ((minute * 60 + second) * 75 + frame != address) {
    return "header address " + std::to_string(minute) + ":" + std::to_string(second) + ":" +
           std::to_string(frame) + " does not match LBA " + std::to_string(lba);
  }
  return {};
}

std::string CheckMode1(const std::uint8_t* raw) {
  if (std::string fault = CheckEdc(raw, 0, 2064); !fault.empty()) return fault;
  if (std::any_of(raw + 2068, raw + 2076, [](std::uint8_t b) { return b != 0; }))
    return "Mode 1 zero field is not zero";
  return CheckParity(raw);
}

std::string CheckMode2(const std::uint8_t* raw) {
  if (!std::equal(raw + 16, raw + 20, raw + 20)) return "the two subheader copies differ";
  const bool form2 = (raw[18] & 0x20) != 0;
  if (form2) return CheckEdc(raw, 16, 2348);
  if (std::string fault = CheckEdc(raw, 16, 2072); !fault.empty()) return fault;
  std::array<std::uint8_t, kSectorSize> withoutHeader;
  std::copy(raw, raw + kSectorSize, withoutHeader.begin());
  std::fill(withoutHeader.begin() + 12, withoutHeader.begin() + 16, 0);
  return CheckParity(withoutHeader.data());
}

// Checks `count` sectors read from `in` from sector `firstSector` of the file, whose
// address is its number; each must carry the header mode `mode`.
std::string CheckSectors(std::ifstream& in, std::int64_t firstSector, std::int64_t count, std::uint8_t mode) {
  in.seekg(firstSector * static_cast<std::int64_t>(kSectorSize));
  std::vector<std::uint8_t> raw(kSectorSize);
  for (std::int64_t sector = firstSector; sector < firstSector + count; ++sector) {
    const std::string where = "sector " + std::to_string(sector);
    if (!in.read(reinterpret_cast<char*>(raw.data()), kSectorSize)) return where + " is missing";
    const std::string fault = raw[15] != mode ? "header mode differs from the track mode"
                                              : CheckRawDataSector(raw.data(), static_cast<std::int32_t>(sector));
    if (!fault.empty()) return where + ": " + fault;
  }
  return {};
}

}  // namespace

std::string CheckRawDataSector(const std::uint8_t* raw, std::int32_t lba) {
  if (std::string fault = CheckSyncAndHeader(raw, lba); !fault.empty()) return fault;
  switch (raw[15]) {
    case 1:
      return CheckMode1(raw);
    case 2:
      return CheckMode2(raw);
    default:
      return "header mode " + std::to_string(raw[15]) + " is not a data mode";
  }
}

std::string CheckCueImageDataTracks(const std::filesystem::path& cuePath) {
  using virtualdrive::CueTrackMode;
  const virtualdrive::CueImageResult opened = virtualdrive::OpenCueImage(cuePath);
  if (!opened.image) return opened.error;
  const virtualdrive::CueImage& image = *opened.image;
  const auto& tracks = image.sheet.tracks;
  std::ifstream in(image.binPath, std::ios::binary);
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    if (tracks[t].mode == CueTrackMode::Audio) continue;
    const std::int64_t begin = tracks[t].pregapStart.value_or(tracks[t].start);
    const std::int64_t end = t + 1 < tracks.size()
                                 ? tracks[t + 1].pregapStart.value_or(tracks[t + 1].start)
                                 : image.sectorCount;
    const std::uint8_t mode = tracks[t].mode == CueTrackMode::Mode1Raw ? 1 : 2;
    const std::string fault = CheckSectors(in, begin, end - begin, mode);
    if (!fault.empty()) return "track " + std::to_string(tracks[t].number) + ", " + fault;
  }
  return {};
}

}  // namespace brenmark::testsupport
