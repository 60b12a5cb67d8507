#include "drive/sgio/SgIoRequest.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "drive/CommandTimeouts.h"

namespace brenmark::sgio {
namespace {

// SG_IO takes an unsigned millisecond count, with its maximum meaning no limit.
unsigned int TimeoutMilliseconds(std::uint32_t seconds) {
  constexpr std::uint64_t kLimit = std::numeric_limits<unsigned int>::max() - 1;
  const std::uint64_t milliseconds = std::uint64_t{seconds} * 1000;
  return static_cast<unsigned int>(milliseconds < kLimit ? milliseconds : kLimit);
}

}  // namespace

sg_io_hdr_t MakeRequestHeader(const ScsiRequest& request, unsigned char* senseBuffer) {
  sg_io_hdr_t header;
  std::memset(&header, 0, sizeof header);
  header.interface_id = 'S';
  header.cmd_len = request.cdbLength;
  header.cmdp = const_cast<unsigned char*>(request.cdb);
  header.mx_sb_len = kSenseLength;
  header.sbp = senseBuffer;
  header.timeout = TimeoutMilliseconds(CommandTimeoutSeconds(request));

  const bool hasData = request.length > 0 && request.buffer != nullptr;
  switch (hasData ? request.direction : DataDirection::None) {
    case DataDirection::In: header.dxfer_direction = SG_DXFER_FROM_DEV; break;
    case DataDirection::Out: header.dxfer_direction = SG_DXFER_TO_DEV; break;
    case DataDirection::None: header.dxfer_direction = SG_DXFER_NONE; break;
  }
  if (header.dxfer_direction != SG_DXFER_NONE) {
    header.dxfer_len = request.length;
    header.dxferp = request.buffer;
  }
  return header;
}

CommandOutcome ClassifyResult(int ioctlResult, const sg_io_hdr_t& header, int systemError) {
  constexpr unsigned kDriverErrorMask = 0x07;  // the driver's own result; 08h only flags sense
  constexpr unsigned kDriverSense = 0x08;
  if (ioctlResult < 0) return CommandOutcome::NotDelivered(systemError);
  if (header.host_status != 0 || (header.driver_status & kDriverErrorMask) != 0)
    return CommandOutcome::NotDelivered(0, header.host_status, header.driver_status);
  const auto residual = static_cast<std::uint32_t>(header.resid > 0 ? header.resid : 0);
  if (header.status == 0 && (header.driver_status & kDriverSense) == 0)
    return CommandOutcome(TransportResult::Good, std::nullopt, residual);
  std::optional<SenseCode> sense;
  SenseCode decoded;
  if (header.sbp != nullptr &&
      DecodeSense(std::span<const std::uint8_t>(header.sbp, std::min<std::size_t>(header.sb_len_wr, header.mx_sb_len)),
                  decoded))
    sense = decoded;
  return CommandOutcome(TransportResult::DeviceFailure, sense, residual);
}

}  // namespace brenmark::sgio
