#include "drive/windows/AspiRequestBlocks.h"

#include <algorithm>

#include "bytes/ByteOrder.h"

namespace brenmark::windows {
namespace {

constexpr std::uint8_t kExecScsiCommand = 2;
constexpr std::uint8_t kGetDeviceTypeCommand = 1;
constexpr std::uint8_t kSenseLength = 14;
constexpr std::size_t kMaxCdbLength = 16;

}  // namespace

std::uint8_t AspiFlags(DataDirection direction) {
  switch (direction) {
    case DataDirection::In: return 0x48;
    case DataDirection::Out: return 0x50;
    case DataDirection::None: return 0x40;
  }
  return 0x40;
}

ExecScsiCmdBlock BuildExecScsiCmd(std::uint8_t haId, std::uint8_t targetId, std::uint8_t lun,
                                  const ScsiRequest& request, std::uint32_t bufferPointer,
                                  std::uint32_t completionEvent) {
  ExecScsiCmdBlock block{};
  block[0] = kExecScsiCommand;
  block[2] = haId;
  block[3] = AspiFlags(request.direction);
  block[8] = targetId;
  block[9] = lun;
  bytes::WriteLe32(&block[12], request.length);
  bytes::WriteLe32(&block[16], bufferPointer);
  block[20] = kSenseLength;
  block[21] = request.cdbLength;
  bytes::WriteLe32(&block[24], completionEvent);
  if (request.cdb != nullptr)
    std::copy_n(request.cdb, std::min<std::size_t>(request.cdbLength, kMaxCdbLength), &block[48]);
  return block;
}

GetDeviceTypeBlock BuildGetDeviceType(std::uint8_t haId, std::uint8_t targetId) {
  GetDeviceTypeBlock block{};
  block[0] = kGetDeviceTypeCommand;
  block[2] = haId;
  block[8] = targetId;
  return block;
}

bool IsCdRomDevice(const GetDeviceTypeBlock& completed) {
  return completed[1] == kAspiStatusComplete && completed[10] == kCdRomDeviceType;
}

}  // namespace brenmark::windows
