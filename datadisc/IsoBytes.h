#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmark::datadisc {

// Bytes of one logical sector.
inline constexpr std::uint32_t kSectorSize = 2048;

// Whole sectors needed for `bytes`.
constexpr std::uint64_t SectorsFor(std::uint64_t bytes) {
  return (bytes + kSectorSize - 1) / kSectorSize;
}

// `bytes` rounded up to whole sectors.
constexpr std::uint64_t RoundToSectors(std::uint64_t bytes) {
  return SectorsFor(bytes) * kSectorSize;
}

inline void PutLe16(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutBe16(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v >> 8);
  out[1] = static_cast<std::uint8_t>(v);
}

inline void PutLe32(std::uint8_t* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void PutBe32(std::uint8_t* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

// Both-endian fields: the little-endian form followed by the big-endian form.
inline void PutBoth16(std::uint8_t* out, std::uint16_t v) {
  PutLe16(out, v);
  PutBe16(out + 2, v);
}

inline void PutBoth32(std::uint8_t* out, std::uint32_t v) {
  PutLe32(out, v);
  PutBe32(out + 4, v);
}

}  // namespace brenmark::datadisc
