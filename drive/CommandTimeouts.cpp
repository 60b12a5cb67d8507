#include "drive/CommandTimeouts.h"

#include <algorithm>

namespace brenmark {
namespace {

constexpr std::uint8_t kFormatUnit = 0x04;
constexpr std::uint8_t kBlank = 0xA1;

constexpr std::uint32_t kLeastTimeoutSeconds = 200;
constexpr std::uint32_t kWholeDiscTimeoutSeconds = 3600;

std::uint32_t LeastTimeoutSeconds(std::uint8_t opcode) {
  switch (opcode) {
    case kFormatUnit:
    case kBlank: return kWholeDiscTimeoutSeconds;
    default: return kLeastTimeoutSeconds;
  }
}

}  // namespace

std::uint32_t CommandTimeoutSeconds(const ScsiRequest& request) {
  const std::uint32_t least =
      request.cdb != nullptr && request.cdbLength > 0 ? LeastTimeoutSeconds(request.cdb[0]) : kLeastTimeoutSeconds;
  return std::max(request.timeoutSeconds, least);
}

}  // namespace brenmark
