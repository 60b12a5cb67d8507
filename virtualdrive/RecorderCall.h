#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::virtualdrive {

// One command as the handlers see it: the request, what the dispatch read
// from its CDB, and what the handler leaves for Execute to tell.
struct VirtualRecorder::Call {
  const ScsiRequest& request;
  const std::uint8_t* cdb;
  std::optional<std::filesystem::path> finishedImage;
  // The part of the transfer the command used: what a response filled, or
  // what a write took of the host's data.
  std::optional<std::uint32_t> dataInBytes;
  // The block address and count of a transfer.
  std::int32_t lba = 0;
  std::uint32_t blocks = 0;
  // A write the fault injector corrupts: the block stored with a byte flipped.
  std::optional<std::int32_t> corruptBlock = std::nullopt;

  bool hasDataOut() const { return request.direction == DataDirection::Out && request.length > 0; }

  // Copies a response into the host's buffer, cut to the allocation length.
  void DataIn(const std::vector<std::uint8_t>& response, std::uint32_t allocation) {
    if (request.direction == DataDirection::Out) return;
    const std::size_t count = std::min<std::size_t>({response.size(), allocation, request.length});
    if (count > 0) std::memcpy(request.buffer, response.data(), count);
    dataInBytes = static_cast<std::uint32_t>(count);
  }
};

}  // namespace brenmark::virtualdrive
