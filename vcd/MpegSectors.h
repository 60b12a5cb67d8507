#pragma once

#include <cstdint>

namespace brenmark::vcd {

// The two kinds of block an MPEG track is made of, as 2332-byte Mode 2 blocks:
// the subheader (file number, channel, submode, coding information, twice)
// followed by 2324 bytes of user data.
//
// An MPEG data block of track entry i carries file number i + 1, channel 1,
// submode 62h (Form 2, real-time, video) and coding 0Fh; the subheader is
// written at `block`, the data is the caller's.
void PutMpegSubheader(std::uint8_t fileNumber, std::uint8_t* block);

// An empty block: file number i + 1, channel 0, submode 60h, coding 0, and
// 2324 zero bytes.
void FillEmptyBlock(std::uint8_t fileNumber, std::uint8_t* block);

}  // namespace brenmark::vcd
