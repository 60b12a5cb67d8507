#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brenmark {

// Sense key, additional sense code and qualifier of a command that ended with
// CHECK CONDITION, decoded once from the drive's sense bytes.
struct SenseCode {
  std::uint8_t key = 0;
  std::uint8_t asc = 0;
  std::uint8_t ascq = 0;

  friend bool operator==(const SenseCode&, const SenseCode&) = default;

  // "K/AA/QQ" in hex followed by what it means, e.g. "3/0C/00 write error".
  std::string Text() const;
};

namespace sensecode {
inline constexpr SenseCode kBecomingReady{0x02, 0x04, 0x01};
inline constexpr SenseCode kLongWriteInProgress{0x02, 0x04, 0x08};
inline constexpr SenseCode kMediumNotPresent{0x02, 0x3A, 0x00};
}  // namespace sensecode

// True for the "medium not present" family (2/3A/xx: tray open or closed, or unknown).
bool IsMediumNotPresent(const SenseCode& sense);

// True when the drive is busy with something that ends by itself: "becoming
// ready" (2/04/01) or "long write in progress" (2/04/08). Asking again later
// is the answer, not a failed try.
bool IsTransientNotReady(const SenseCode& sense);

// True for ILLEGAL REQUEST (key 5): the drive refused the command as it was
// given, and sends the same answer to the same command again.
bool IsIllegalRequest(const SenseCode& sense);

// True for the "write error" family (3/0C/xx).
bool IsWriteError(const SenseCode& sense);

// Reads key, ASC and ASCQ from fixed-format (70h/71h) or descriptor-format
// (72h/73h) sense data; false when the bytes hold neither or are too short.
bool DecodeSense(std::span<const std::uint8_t> bytes, SenseCode& sense);

}  // namespace brenmark
