#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "drive/ScsiTransport.h"
#include "virtualdrive/Sense.h"

namespace brenmark::virtualdrive {

// One command as the recorder received and ended it.
struct CommandRecord {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint32_t dataLength = 0;
  TransportResult result = TransportResult::Good;
  std::optional<Sense> sense;  // set with CHECK CONDITION

  std::uint8_t opcode() const { return cdb[0]; }
};

// Every command a recorder received, in order. Not synchronised: the recorder
// guards it with its own lock.
class CommandLog {
 public:
  void Append(const CommandRecord& record) { records_.push_back(record); }
  const std::vector<CommandRecord>& records() const { return records_; }
  void Clear() { records_.clear(); }

 private:
  std::vector<CommandRecord> records_;
};

}  // namespace brenmark::virtualdrive
