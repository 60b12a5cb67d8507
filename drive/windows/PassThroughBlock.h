#pragma once

#include <array>
#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::windows {

// The pass-through request: SCSI_PASS_THROUGH_DIRECT of the 32-bit layout
// (44 bytes), 4 bytes of filler, then a 32-byte sense buffer; little-endian.
using PassThroughBlock = std::array<std::uint8_t, 80>;

inline constexpr std::uint32_t kPassThroughDirectIoctl = 0x4D014;

// DataIn for a request: 1 data in, 0 data out, 2 unspecified. READ TOC, READ
// CAPACITY and READ BUFFER CAPACITY are sent unspecified, as they always were
// on this transport, and still return their data.
std::uint8_t PassThroughDataIn(const ScsiRequest& request);

// The block for one request; the data buffer is given as its 32-bit address.
// The time-out is the command's, raised to what every transport gives it
// (CommandTimeouts.h).
PassThroughBlock BuildPassThroughDirect(std::uint8_t pathId, std::uint8_t targetId,
                                        std::uint8_t lun, const ScsiRequest& request,
                                        std::uint32_t dataBuffer);

// The outcome of a pass-through call on the completed block. A failed call
// never reached the device; a SCSI status other than GOOD is a device failure
// with the sense the system placed in the block's sense area. The residual is
// what the system did not transfer of the requested length.
CommandOutcome PassThroughOutcome(bool callSucceeded, const PassThroughBlock& completed,
                                  std::uint32_t requestedLength);

}  // namespace brenmark::windows
