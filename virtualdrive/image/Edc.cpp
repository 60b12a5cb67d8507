#include "virtualdrive/image/SectorEncoder.h"

#include <array>

#include "bytes/ByteOrder.h"

namespace brenmark::virtualdrive {
namespace {

constexpr std::uint32_t kEdcPolynomial = 0xD8018001u;  // reflected form

// Slicing-by-16 tables: kTables[k][b] is the CRC of byte b followed by k zero bytes.
using EdcTables = std::array<std::array<std::uint32_t, 256>, 16>;

constexpr EdcTables MakeEdcTables() {
  EdcTables tables{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ ((crc & 1u) ? kEdcPolynomial : 0u);
    }
    tables[0][byte] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (std::size_t byte = 0; byte < 256; ++byte) {
      const std::uint32_t previous = tables[k - 1][byte];
      tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFFu];
    }
  }
  return tables;
}

constexpr EdcTables kTables = MakeEdcTables();

}  // namespace

std::uint32_t ComputeEdc(const std::uint8_t* data, std::size_t length) {
  std::uint32_t crc = 0;
  while (length >= 16) {
    const std::array<std::uint32_t, 4> words = {
        bytes::ReadLe32(data) ^ crc, bytes::ReadLe32(data + 4),
        bytes::ReadLe32(data + 8), bytes::ReadLe32(data + 12)};
    crc = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
      const std::size_t table = 15 - 4 * w;
      crc ^= kTables[table][words[w] & 0xFFu] ^ kTables[table - 1][(words[w] >> 8) & 0xFFu] ^
             kTables[table - 2][(words[w] >> 16) & 0xFFu] ^ kTables[table - 3][words[w] >> 24];
    }
    data += 16;
    length -= 16;
  }
  while (length > 0) {
    crc = (crc >> 8) ^ kTables[0][(crc ^ *data) & 0xFFu];
    ++data;
    --length;
  }
  return crc;
}

}  // namespace brenmark::virtualdrive
