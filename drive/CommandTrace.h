#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "drive/CommandOutcome.h"
#include "drive/ScsiTransport.h"

namespace brenmark {

// One command as a transport delivered and ended it: when it was sent, to
// which drive, its command block, direction and transfer length, what it
// ended with and how long it took. The data moved is not kept.
struct TracedCommand {
  std::chrono::system_clock::time_point sentAt;
  std::string drive;
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint32_t length = 0;
  CommandOutcome outcome;
  std::chrono::microseconds duration{0};

  std::uint8_t opcode() const { return cdb[0]; }
};

// Where traced commands go: a file, or a test's list. Told of every command
// of every traced drive, on the thread that sent it, so a sink guards itself.
class CommandTrace {
 public:
  virtual ~CommandTrace() = default;
  virtual void Record(const TracedCommand& command) = 0;
};

}  // namespace brenmark
