#include "virtualdrive/image/SectorParity.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace brenmark::virtualdrive {
namespace {

// Byte lanes are loaded and stored through native 64-bit words, with the Q symbols
// assembled in little-endian lane order.
static_assert(std::endian::native == std::endian::little);

// Layout of the product code, in bytes from the start of the raw sector.
constexpr int kCodeStart = 12;
constexpr int kPColumns = 86;       // 43 words, two byte planes each
constexpr int kPDataRows = 24;
constexpr int kPParityOffset = kCodeStart + kPColumns * kPDataRows;  // 2076
constexpr int kQWordsPerPlaneSet = 26;                               // 52 diagonals
constexpr int kQDataLength = 43;
constexpr int kQWordCount = 1118;  // 1032 data words + 86 P parity words
constexpr int kQParityOffset = kCodeStart + 2 * kQWordCount;         // 2248

constexpr std::uint8_t GfMultiply(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  while (b != 0) {
    if (b & 1u) product ^= a;
    a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80u) ? 0x1Du : 0u));
    b >>= 1;
  }
  return product;
}

constexpr std::uint8_t GfInverse(std::uint8_t a) {
  for (int candidate = 1; candidate < 256; ++candidate) {
    if (GfMultiply(a, static_cast<std::uint8_t>(candidate)) == 1) {
      return static_cast<std::uint8_t>(candidate);
    }
  }
  return 0;
}

// A codeword d_0..d_{n-1}, p0, p1 must satisfy
//   sum d_i + p0 + p1 = 0   and   sum a^(n+1-i) d_i + a p0 + p1 = 0   (a = 2).
// With S = sum d_i and H = sum a^(n-1-i) d_i (Horner form), p0 = (S + a^2 H) / (1 + a)
// and p1 = S + p0. The two tables hold the linear maps applied to S and H.
struct ParityTables {
  std::array<std::uint8_t, 256> fromSum{};
  std::array<std::uint8_t, 256> fromHorner{};
};

constexpr ParityTables MakeParityTables() {
  ParityTables tables;
  const std::uint8_t inverseOfOnePlusAlpha = GfInverse(3);
  for (int x = 0; x < 256; ++x) {
    const auto value = static_cast<std::uint8_t>(x);
    tables.fromSum[x] = GfMultiply(value, inverseOfOnePlusAlpha);
    tables.fromHorner[x] = GfMultiply(GfMultiply(value, 4), inverseOfOnePlusAlpha);
  }
  return tables;
}

constexpr ParityTables kParity = MakeParityTables();

// Multiplies each byte lane of a word by the field element 2 (a).
constexpr std::uint64_t MultiplyLanesByAlpha(std::uint64_t lanes) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  constexpr std::uint64_t kLowBit = 0x0101010101010101ull;
  return ((lanes & kLow7) << 1) ^ (((lanes >> 7) & kLowBit) * 0x1Du);
}

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

// Solves each lane of (sum, horner) for the two parity symbols of its codeword and
// stores p0 lanes at `p0Out`, p1 lanes at `p1Out` (byteCount bytes each).
void StoreParityLanes(std::uint64_t sum, std::uint64_t horner, std::uint8_t* p0Out,
                      std::uint8_t* p1Out, std::size_t byteCount) {
  std::uint64_t p0 = 0;
  for (int lane = 0; lane < 8; ++lane) {
    const int shift = 8 * lane;
    const auto s = static_cast<std::uint8_t>(sum >> shift);
    const auto h = static_cast<std::uint8_t>(horner >> shift);
    p0 |= static_cast<std::uint64_t>(kParity.fromSum[s] ^ kParity.fromHorner[h]) << shift;
  }
  const std::uint64_t p1 = p0 ^ sum;
  std::memcpy(p0Out, &p0, byteCount);
  std::memcpy(p1Out, &p1, byteCount);
}

// Byte lanes are independent, so the 86 P columns are processed eight at a time, all
// groups side by side so that their Horner chains overlap. The last group overlaps the
// previous one; recomputing the shared columns is harmless.
void WritePParity(std::uint8_t* raw) {
  constexpr std::array<int, 11> kGroupStarts = {0, 8, 16, 24, 32, 40, 48, 56, 64, 72, 78};
  std::array<std::uint64_t, kGroupStarts.size()> sum{};
  std::array<std::uint64_t, kGroupStarts.size()> horner{};
  const std::uint8_t* row = raw + kCodeStart;
  for (int r = 0; r < kPDataRows; ++r, row += kPColumns) {
    for (std::size_t g = 0; g < kGroupStarts.size(); ++g) {
      const std::uint64_t symbols = Load64(row + kGroupStarts[g]);
      sum[g] ^= symbols;
      horner[g] = MultiplyLanesByAlpha(horner[g]) ^ symbols;
    }
  }
  for (std::size_t g = 0; g < kGroupStarts.size(); ++g) {
    std::uint8_t* p0 = raw + kPParityOffset + kGroupStarts[g];
    StoreParityLanes(sum[g], horner[g], p0, p0 + kPColumns, 8);
  }
}

// Q codeword n (a word position, both byte planes) takes word (44 m + 43 n) mod 1118 as
// its m-th symbol. Four codewords share a 64-bit accumulator; their symbols are gathered
// through a table of byte offsets.
constexpr int kQGroups = (kQWordsPerPlaneSet + 3) / 4;  // 7, the last one half used

using QOffsets = std::array<std::array<std::uint16_t, 4 * kQGroups>, kQDataLength>;

constexpr QOffsets MakeQOffsets() {
  QOffsets offsets{};
  for (int m = 0; m < kQDataLength; ++m) {
    for (int n = 0; n < 4 * kQGroups; ++n) {
      // Padding codewords re-read word 0; their results are never stored.
      const int word = n < kQWordsPerPlaneSet ? (44 * m + 43 * n) % kQWordCount : 0;
      offsets[m][n] = static_cast<std::uint16_t>(kCodeStart + 2 * word);
    }
  }
  return offsets;
}

constexpr QOffsets kQOffsets = MakeQOffsets();

std::uint64_t Load16At(const std::uint8_t* raw, std::uint16_t offset, int lanePair) {
  return (static_cast<std::uint64_t>(raw[offset]) |
          (static_cast<std::uint64_t>(raw[offset + 1]) << 8))
         << (16 * lanePair);
}

void WriteQParity(std::uint8_t* raw) {
  std::array<std::uint64_t, kQGroups> sum{};
  std::array<std::uint64_t, kQGroups> horner{};
  for (int m = 0; m < kQDataLength; ++m) {
    const auto& offsets = kQOffsets[m];
    for (int g = 0; g < kQGroups; ++g) {
      const std::uint64_t symbols =
          Load16At(raw, offsets[4 * g], 0) | Load16At(raw, offsets[4 * g + 1], 1) |
          Load16At(raw, offsets[4 * g + 2], 2) | Load16At(raw, offsets[4 * g + 3], 3);
      sum[g] ^= symbols;
      horner[g] = MultiplyLanesByAlpha(horner[g]) ^ symbols;
    }
  }
  constexpr int kQParityBytes = 2 * kQWordsPerPlaneSet;  // 52 per parity symbol
  for (int g = 0; g < kQGroups; ++g) {
    const std::size_t bytes = std::min<std::size_t>(8, kQParityBytes - 8 * g);
    std::uint8_t* p0 = raw + kQParityOffset + 8 * g;
    StoreParityLanes(sum[g], horner[g], p0, p0 + kQParityBytes, bytes);
  }
}

}  // namespace

void WriteSectorParity(std::uint8_t* raw) {
  WritePParity(raw);
  WriteQParity(raw);
}

}  // namespace brenmark::virtualdrive
