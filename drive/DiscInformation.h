#pragma once

#include <cstdint>

namespace brenmark::discinfo {

// Readings of a READ DISC INFORMATION response (at least 32 bytes).
bool IsBlank(const std::uint8_t* response);
bool IsAppendable(const std::uint8_t* response);
std::int32_t SessionCount(const std::uint8_t* response);
std::int32_t LastTrackNumber(const std::uint8_t* response);
// Last possible lead-out start in frames, the 150-frame offset included.
std::int32_t CapacityFrames(const std::uint8_t* response);
// Start of the last session's lead-in as an address: MSF on CD, where
// minutes from 90 on lie before the disc's 00:00:00 (negative addresses).
std::int32_t LeadInStart(const std::uint8_t* response);
// One bit from each group: disc status, erasable, state of last session, disc type.
std::uint32_t StatusMask(const std::uint8_t* response);
// The status mask's bit of a disc that is not erasable (CD-R, DVD-R, ...).
inline constexpr std::uint32_t kNotErasable = 0x20;

}  // namespace brenmark::discinfo
