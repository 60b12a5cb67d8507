#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "virtualdrive/DiscState.h"

namespace brenmark::virtualdrive {

// The sub-channel data READ CD appends to each block: 1 raw P-W (96 bytes,
// one bit of each channel per byte, P in bit 7), 2 the formatted Q channel
// (16 bytes), 4 the R-W channels (96 bytes). Nothing for 0.
bool IsSubChannelSelection(std::uint8_t selection);

// Appends the selected sub-channel of block `lba` of `track`: its Q channel
// in mode 1 (the track, index 0 in the pregap, 1 and on after it, the time
// relative to the track's start counting down through the pregap, the
// absolute time, its CRC), in mode 2 and 3 in one block of a hundred each
// where the disc has a catalogue number (`catalog`) or the track an ISRC;
// P set in the pregap; R-W empty, as on a disc without text or graphics.
void AppendSubChannel(std::uint8_t selection, const DiscTrack& track, std::int32_t lba, const std::string& catalog,
                      std::vector<std::uint8_t>& response);

}  // namespace brenmark::virtualdrive
