#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace brenmark::capabilities {

// Readings of a MODE SENSE(10) response for page 2Ah: the 8-byte mode
// parameter header, then the page.
inline constexpr std::size_t kPageOffset = 8;
inline constexpr std::size_t kResponseLength = 255;

std::uint32_t Mask(const std::uint8_t* page);
std::uint8_t LoadingMechanism(const std::uint8_t* page);
std::uint32_t BufferSizeKb(const std::uint8_t* page);

// Fills speeds with the write speeds in KB/s followed by a terminating 0 and
// returns the number of speeds written (terminator excluded). The drive's
// descriptors are taken in its order when it reports any, otherwise the list
// is computed from the maximum write speed. Only descriptors that lie wholly
// inside pageSize bytes are read; speeds that do not fit in front of the
// terminator are dropped. An empty span receives nothing.
std::size_t WriteSpeeds(const std::uint8_t* page, std::size_t pageSize,
                        std::span<std::uint32_t> speeds);

}  // namespace brenmark::capabilities
