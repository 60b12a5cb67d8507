#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmark::audio {

// Advances the state of the common CRC-32 (reflected polynomial EDB88320h)
// over `count` bytes. The state starts at FFFFFFFFh; the CRC is its complement.
// Uses the processor's carry-less multiplication where it has one.
std::uint32_t UpdateCrc32(std::uint32_t state, const std::uint8_t* bytes, std::size_t count);

}  // namespace brenmark::audio
