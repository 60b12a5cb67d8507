#include "virtualdrive/expose/SgIoAnswer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "virtualdrive/Sense.h"

namespace brenmark::expose {
namespace {

constexpr unsigned char kCheckCondition = 0x02;
constexpr unsigned short kDriverSense = 0x08;
constexpr unsigned char kMinimumCdb = 6;
constexpr unsigned char kMaximumCdb = 16;

// The kernel looks at the direction only when there is data to move: a
// command without data goes through whatever the direction says (programs
// leave it zero), one with data needs a direction that moves it.
std::optional<DataDirection> DirectionOf(int sgDirection, unsigned length) {
  if (length == 0) return DataDirection::None;
  switch (sgDirection) {
    case SG_DXFER_TO_DEV: return DataDirection::Out;
    case SG_DXFER_FROM_DEV:
    case SG_DXFER_TO_FROM_DEV: return DataDirection::In;
    default: return std::nullopt;
  }
}

}  // namespace

int AnswerSgIo(ScsiTransport& device, sg_io_hdr_t& header, int& error) {
  const auto direction = DirectionOf(header.dxfer_direction, header.dxfer_len);
  if (header.interface_id != 'S' || header.cmd_len < kMinimumCdb || header.cmd_len > kMaximumCdb ||
      header.iovec_count != 0 || !direction) {
    error = EINVAL;
    return -1;
  }
  const bool hasData = *direction != DataDirection::None;
  if (header.cmdp == nullptr || (hasData && header.dxferp == nullptr)) {
    error = EFAULT;
    return -1;
  }
  ScsiRequest request;
  request.cdb = header.cmdp;
  request.cdbLength = header.cmd_len;
  request.direction = hasData ? *direction : DataDirection::None;
  request.buffer = hasData ? static_cast<std::uint8_t*>(header.dxferp) : nullptr;
  request.length = hasData ? header.dxfer_len : 0;
  request.timeoutSeconds = header.timeout / 1000;

  const auto start = std::chrono::steady_clock::now();
  const CommandOutcome outcome = device.Execute(request);
  const auto elapsed = std::chrono::steady_clock::now() - start;

  if (outcome.result == TransportResult::TransportFailure && outcome.hostStatus == 0) {
    error = EIO;
    return -1;
  }
  header.status = 0;
  header.masked_status = 0;
  header.msg_status = 0;
  header.host_status = outcome.hostStatus;
  header.driver_status = 0;
  header.sb_len_wr = 0;
  header.resid = static_cast<int>(outcome.residual);
  header.duration = static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  if (outcome.result == TransportResult::TransportFailure) {
    header.resid = static_cast<int>(request.length);
  } else if (outcome.result == TransportResult::DeviceFailure) {
    header.status = kCheckCondition;
    header.masked_status = kCheckCondition >> 1;
    if (outcome.sense && header.sbp != nullptr && header.mx_sb_len > 0) {
      const virtualdrive::Sense sense{outcome.sense->key, outcome.sense->asc, outcome.sense->ascq};
      const auto bytes = sense.FixedFormat();
      const std::size_t length = std::min<std::size_t>(bytes.size(), header.mx_sb_len);
      std::memcpy(header.sbp, bytes.data(), length);
      header.sb_len_wr = static_cast<unsigned char>(length);
      header.driver_status = kDriverSense;
    }
  }
  const bool allGood = header.status == 0 && header.host_status == 0 && header.driver_status == 0;
  header.info = allGood ? SG_INFO_OK : SG_INFO_CHECK;
  return 0;
}

}  // namespace brenmark::expose
