#pragma once

#include <array>
#include <cstdint>
#include <deque>
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

// The commands a recorder received, in order: the most recent kLimit of them,
// so that a recorder used for hours does not grow without end. Not
// synchronised: the recorder guards it with its own lock.
class CommandLog {
 public:
  static constexpr std::size_t kLimit = 1 << 20;

  void Append(const CommandRecord& record) {
    if (records_.size() == kLimit) records_.pop_front();
    records_.push_back(record);
  }
  std::vector<CommandRecord> Records() const { return {records_.begin(), records_.end()}; }
  void Clear() { records_.clear(); }

 private:
  std::deque<CommandRecord> records_;
};

}  // namespace brenmark::virtualdrive
