#pragma once

#include <array>
#include <cstdint>

namespace brenmark::virtualdrive {

// Sense key, additional sense code and qualifier of a CHECK CONDITION.
struct Sense {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;

  friend bool operator==(const Sense&, const Sense&) = default;

  // Fixed-format sense data (response code 70h) as a drive returns it.
  std::array<std::uint8_t, 18> FixedFormat() const {
    std::array<std::uint8_t, 18> bytes{};
    bytes[0] = 0x70;
    bytes[2] = key;
    bytes[7] = 0x0A;
    bytes[12] = asc;
    bytes[13] = ascq;
    return bytes;
  }
};

namespace sense {
inline constexpr Sense kMediumNotPresent{0x02, 0x3A, 0x00};
inline constexpr Sense kMediumMayHaveChanged{0x06, 0x28, 0x00};
inline constexpr Sense kMediumRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr Sense kUnrecoveredReadError{0x03, 0x11, 0x00};
inline constexpr Sense kWriteError{0x03, 0x0C, 0x00};
inline constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense kLbaOutOfRange{0x05, 0x21, 0x00};
inline constexpr Sense kInvalidAddressForWrite{0x05, 0x21, 0x02};
inline constexpr Sense kInvalidFieldInCdb{0x05, 0x24, 0x00};
inline constexpr Sense kInvalidFieldInParameterList{0x05, 0x26, 0x00};
inline constexpr Sense kParameterListLengthError{0x05, 0x1A, 0x00};
inline constexpr Sense kCommandSequenceError{0x05, 0x2C, 0x00};
inline constexpr Sense kIncompatibleMedium{0x05, 0x30, 0x00};
inline constexpr Sense kSavingParametersNotSupported{0x05, 0x39, 0x00};
inline constexpr Sense kIllegalModeForThisTrack{0x05, 0x64, 0x00};
}  // namespace sense

}  // namespace brenmark::virtualdrive
