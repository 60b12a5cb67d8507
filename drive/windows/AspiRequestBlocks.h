#pragma once

#include <array>
#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::windows {

// The host-adapter library's request blocks, as raw little-endian bytes of
// the 32-bit Windows layout. Pointers and handles are passed as the 32-bit
// values they have there.
using ExecScsiCmdBlock = std::array<std::uint8_t, 80>;
using GetDeviceTypeBlock = std::array<std::uint8_t, 12>;
using AbortBlock = std::array<std::uint8_t, 12>;

inline constexpr std::uint8_t kAspiStatusPending = 0;
inline constexpr std::uint8_t kAspiStatusComplete = 1;
inline constexpr std::uint8_t kCdRomDeviceType = 5;

// SRB_Flags for a direction: event notify plus data in (48h), data out (50h)
// or no direction (40h).
std::uint8_t AspiFlags(DataDirection direction);

// SRB_ExecSCSICmd for one request (command code 2); sense length 14.
ExecScsiCmdBlock BuildExecScsiCmd(std::uint8_t haId, std::uint8_t targetId, std::uint8_t lun,
                                  const ScsiRequest& request, std::uint32_t bufferPointer,
                                  std::uint32_t completionEvent);

// SRB_GDEVBlock asking for the device type at an adapter and target, LUN 0
// (command code 1).
GetDeviceTypeBlock BuildGetDeviceType(std::uint8_t haId, std::uint8_t targetId);

// True when a completed device-type query found a CD-ROM device.
bool IsCdRomDevice(const GetDeviceTypeBlock& completed);

// SRB_Abort asking the adapter to abandon the request block at `requestPointer`
// (command code 3).
AbortBlock BuildAbort(std::uint8_t haId, std::uint32_t requestPointer);

// The outcome of a completed SRB_ExecSCSICmd: good exactly when SRB_Status is
// SS_COMP; otherwise a device failure, with the sense the library copied into
// the block's sense area when there is any. The library reports no residual.
CommandOutcome ExecScsiOutcome(const ExecScsiCmdBlock& completed);

}  // namespace brenmark::windows
