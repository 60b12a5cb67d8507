#pragma once

#include <cstdint>

namespace brenmark::virtualdrive {

// Big-endian fields of command blocks and response data, as MMC lays them out.
inline std::uint16_t Get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

inline std::uint32_t Get24(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 16 | static_cast<std::uint32_t>(at[1]) << 8 | at[2];
}

inline std::uint32_t Get32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
         static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

inline void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

inline void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value >> 16);
  Put16(at + 2, value);
}

}  // namespace brenmark::virtualdrive
