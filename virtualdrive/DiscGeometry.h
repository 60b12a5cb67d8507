#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace brenmark::virtualdrive {

// Layout facts of recordable media, in logical blocks.
namespace geometry {
inline constexpr std::int32_t kFramesPerSecond = 75;
inline constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;
// MSF time on CD counts 150 frames before logical block 0.
inline constexpr std::int32_t kMsfOffset = 150;
// The CD-R sizes a blank can have, in minutes, and the usual one.
inline constexpr std::array<int, 6> kCdMinutes = {21, 63, 74, 80, 90, 99};
inline constexpr int kDefaultCdMinutes = 80;
// Last possible lead-out start of a CD-R: one frame before its size, 79:59:74
// on an 80-minute disc.
inline constexpr std::int32_t CdLastLeadOutFrame(int minutes) { return minutes * kFramesPerMinute - 1; }
inline constexpr std::int32_t CdCapacityBlocks(int minutes) { return CdLastLeadOutFrame(minutes) - kMsfOffset; }
// Single-layer 4.7 GB DVD-R, and the other single-layer DVDs.
inline constexpr std::int32_t kDvdCapacityBlocks = 2298496;
inline constexpr std::int32_t kDvdRwCapacityBlocks = 2297888;
inline constexpr std::int32_t kDvdPlusCapacityBlocks = 2295104;
// A DVD is written in ECC blocks of 16 logical blocks.
inline constexpr std::int32_t kDvdEccBlocks = 16;
// What a closed DVD session's lead-out (border-out) and the next session's
// lead-in take before the next session's first track.
inline constexpr std::int32_t kDvdSessionGapBlocks = 12288;

inline constexpr std::int32_t kPregapBlocks = 150;
inline constexpr std::int32_t kRunOutBlocks = 2;
inline constexpr std::int32_t kFirstLeadOutBlocks = 6750;
inline constexpr std::int32_t kLaterLeadOutBlocks = 2250;
inline constexpr std::int32_t kLeadInBlocks = 4500;
// ATIP start of the lead-in of a blank 80-minute disc: 97:26:66.
inline constexpr std::int32_t kBlankLeadInFrame = 97 * kFramesPerMinute + 26 * kFramesPerSecond + 66;
}  // namespace geometry

inline bool IsCdSizeOffered(int minutes) {
  for (const int offered : geometry::kCdMinutes) {
    if (offered == minutes) return true;
  }
  return false;
}

// "21, 63, 74, 80, 90 or 99".
inline std::string CdSizesText() {
  std::string text;
  for (std::size_t index = 0; index < geometry::kCdMinutes.size(); ++index) {
    if (index > 0) text += index + 1 == geometry::kCdMinutes.size() ? " or " : ", ";
    text += std::to_string(geometry::kCdMinutes[index]);
  }
  return text;
}

struct Msf {
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint8_t frame = 0;
};

// MSF of a frame count (no offset applied).
inline Msf FramesToMsf(std::int32_t frames) {
  if (frames < 0) frames = 0;
  return Msf{static_cast<std::uint8_t>(frames / geometry::kFramesPerMinute),
             static_cast<std::uint8_t>(frames / geometry::kFramesPerSecond % 60),
             static_cast<std::uint8_t>(frames % geometry::kFramesPerSecond)};
}

// MSF of a logical block address, the 150-frame offset included.
inline Msf LbaToMsf(std::int32_t lba) { return FramesToMsf(lba + geometry::kMsfOffset); }

}  // namespace brenmark::virtualdrive
