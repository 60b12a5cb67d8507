#include "virtualdrive/image/SectorParity.h"

#include <array>
#include <cstring>

namespace brenmark::virtualdrive {
namespace {

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

void Store64(std::uint8_t* p, std::uint64_t value) { std::memcpy(p, &value, sizeof value); }

// Byte lanes are independent, so the 86 P columns are processed eight at a time. The
// last group overlaps the previous one; recomputing the shared columns is harmless.
void WritePParity(std::uint8_t* raw) {
  constexpr std::array<int, 11> kGroupStarts = {0, 8, 16, 24, 32, 40, 48, 56, 64, 72, 78};
  for (const int column : kGroupStarts) {
    std::uint64_t sum = 0;
    std::uint64_t horner = 0;
    const std::uint8_t* cell = raw + kCodeStart + column;
    for (int row = 0; row < kPDataRows; ++row, cell += kPColumns) {
      const std::uint64_t symbols = Load64(cell);
      sum ^= symbols;
      horner = MultiplyLanesByAlpha(horner) ^ symbols;
    }
    std::uint64_t p0 = 0;
    for (int lane = 0; lane < 8; ++lane) {
      const int shift = 8 * lane;
      const auto s = static_cast<std::uint8_t>(sum >> shift);
      const auto h = static_cast<std::uint8_t>(horner >> shift);
      p0 |= static_cast<std::uint64_t>(kParity.fromSum[s] ^ kParity.fromHorner[h]) << shift;
    }
    Store64(raw + kPParityOffset + column, p0);
    Store64(raw + kPParityOffset + kPColumns + column, p0 ^ sum);
  }
}

// Each Q codeword takes word (44 m + 43 n) mod 1118 as its m-th symbol, for diagonal n.
// Both byte planes of a word are handled together in the low two lanes.
void WriteQParity(std::uint8_t* raw) {
  const std::uint8_t* code = raw + kCodeStart;
  for (int diagonal = 0; diagonal < kQWordsPerPlaneSet; ++diagonal) {
    std::uint64_t sum = 0;
    std::uint64_t horner = 0;
    int word = 43 * diagonal;
    for (int m = 0; m < kQDataLength; ++m) {
      const std::uint64_t symbols = static_cast<std::uint64_t>(code[2 * word]) |
                                    (static_cast<std::uint64_t>(code[2 * word + 1]) << 8);
      sum ^= symbols;
      horner = MultiplyLanesByAlpha(horner) ^ symbols;
      word += 44;
      if (word >= kQWordCount) word -= kQWordCount;
    }
    for (int plane = 0; plane < 2; ++plane) {
      const auto s = static_cast<std::uint8_t>(sum >> (8 * plane));
      const auto h = static_cast<std::uint8_t>(horner >> (8 * plane));
      const auto p0 = static_cast<std::uint8_t>(kParity.fromSum[s] ^ kParity.fromHorner[h]);
      raw[kQParityOffset + 2 * diagonal + plane] = p0;
      raw[kQParityOffset + 2 * kQWordsPerPlaneSet + 2 * diagonal + plane] =
          static_cast<std::uint8_t>(p0 ^ s);
    }
  }
}

}  // namespace

void WriteSectorParity(std::uint8_t* raw) {
  WritePParity(raw);
  WriteQParity(raw);
}

}  // namespace brenmark::virtualdrive
