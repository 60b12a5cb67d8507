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

}  // namespace brenmark::datadisc
