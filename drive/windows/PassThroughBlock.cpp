#include "drive/windows/PassThroughBlock.h"

#include <algorithm>

#include "bytes/ByteOrder.h"
#include "drive/CommandTimeouts.h"

namespace brenmark::windows {
namespace {

constexpr std::uint16_t kStructureLength = 44;
constexpr std::uint8_t kSenseInfoLength = 24;
constexpr std::uint32_t kSenseInfoOffset = 48;
constexpr std::size_t kMaxCdbLength = 16;

constexpr std::uint8_t kDataOut = 0, kDataIn = 1, kDataUnspecified = 2;

}  // namespace

std::uint8_t PassThroughDataIn(const ScsiRequest& request) {
  const std::uint8_t opcode = (request.cdb != nullptr && request.cdbLength > 0) ? request.cdb[0] : 0;
  if (opcode == 0x43 || opcode == 0x25 || opcode == 0x5C) return kDataUnspecified;
  switch (request.direction) {
    case DataDirection::In: return kDataIn;
    case DataDirection::Out: return kDataOut;
    case DataDirection::None: return kDataUnspecified;
  }
  return kDataUnspecified;
}

PassThroughBlock BuildPassThroughDirect(std::uint8_t pathId, std::uint8_t targetId,
                                        std::uint8_t lun, const ScsiRequest& request,
                                        std::uint32_t dataBuffer) {
  PassThroughBlock block{};
  bytes::WriteLe16(&block[0], kStructureLength);
  block[3] = pathId;
  block[4] = targetId;
  block[5] = lun;
  block[6] = request.cdbLength;
  block[7] = kSenseInfoLength;
  block[8] = PassThroughDataIn(request);
  bytes::WriteLe32(&block[12], request.length);
  bytes::WriteLe32(&block[16], CommandTimeoutSeconds(request));
  bytes::WriteLe32(&block[20], dataBuffer);
  bytes::WriteLe32(&block[24], kSenseInfoOffset);
  if (request.cdb != nullptr)
    std::copy_n(request.cdb, std::min<std::size_t>(request.cdbLength, kMaxCdbLength), &block[28]);
  return block;
}

CommandOutcome PassThroughOutcome(bool callSucceeded, const PassThroughBlock& completed,
                                  std::uint32_t requestedLength) {
  if (!callSucceeded) return TransportResult::TransportFailure;
  const std::uint32_t transferred = bytes::ReadLe32(&completed[12]);
  const std::uint32_t residual = transferred < requestedLength ? requestedLength - transferred : 0;
  if (completed[2] == 0) return CommandOutcome(TransportResult::Good, std::nullopt, residual);
  // The system sets SenseInfoLength to the bytes it returned.
  const std::size_t senseLength = std::min<std::size_t>(completed[7], completed.size() - kSenseInfoOffset);
  std::optional<SenseCode> sense;
  SenseCode decoded;
  if (DecodeSense(std::span<const std::uint8_t>(&completed[kSenseInfoOffset], senseLength), decoded))
    sense = decoded;
  return CommandOutcome(TransportResult::DeviceFailure, sense, residual);
}

}  // namespace brenmark::windows
