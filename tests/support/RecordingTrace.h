#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "bytes/ByteOrder.h"
#include "drive/CommandTrace.h"

namespace brenmark::test {

// The commands a traced registry sent, kept in order for the test to read.
class RecordingTrace final : public CommandTrace {
 public:
  void Record(const TracedCommand& command) override {
    std::lock_guard lock(mutex_);
    commands_.push_back(command);
  }
  // The commands sent to the drive of that name (its device path).
  std::vector<TracedCommand> Of(const std::string& drive) const {
    std::lock_guard lock(mutex_);
    std::vector<TracedCommand> sent;
    for (const TracedCommand& command : commands_) {
      if (command.drive == drive) sent.push_back(command);
    }
    return sent;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    commands_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<TracedCommand> commands_;
};

// Start and block count of every WRITE(10) or WRITE(12) among the commands.
struct Transfer {
  std::int32_t lba;
  std::uint32_t count;
  bool operator==(const Transfer&) const = default;
};
inline std::vector<Transfer> Writes(const std::vector<TracedCommand>& commands) {
  std::vector<Transfer> writes;
  for (const auto& command : commands) {
    const auto lba = static_cast<std::int32_t>(bytes::ReadBe32(&command.cdb[2]));
    if (command.opcode() == 0x2A) writes.push_back({lba, bytes::ReadBe16(&command.cdb[7])});
    if (command.opcode() == 0xAA) writes.push_back({lba, bytes::ReadBe32(&command.cdb[6])});
  }
  return writes;
}

// A traced command as one readable word: its name, and for the transfer and
// reservation commands their address and size ("WRITE10 19 1", "RESERVE 33").
inline std::string Describe(const TracedCommand& command) {
  switch (command.opcode()) {
    case 0x1B: return "STARTSTOP";
    case 0x46: return "GETCONFIG";
    case 0x51: return "DISCINFO";
    case 0x52: return "TRACKINFO " + std::to_string(command.cdb[5]);
    case 0x5A: return "MODESENSE " + std::to_string(command.cdb[2] & 0x3F);
    case 0x55: return "MODESELECT";
    case 0xBB: return "SETSPEED " + std::to_string(bytes::ReadBe16(&command.cdb[4]));
    case 0x53: return "RESERVE " + std::to_string(bytes::ReadBe32(&command.cdb[5]));
    case 0x35: return "SYNCCACHE";
    case 0x5B: return "CLOSE " + std::to_string(command.cdb[2] & 0x07);
    case 0x5C: return "BUFFERCAPACITY";
    case 0x2A:
    case 0xAA: {
      const Transfer write = Writes({command}).front();
      return (command.opcode() == 0x2A ? "WRITE10 " : "WRITE12 ") + std::to_string(write.lba) + " " +
             std::to_string(write.count);
    }
    default: return "OPCODE " + std::to_string(command.opcode());
  }
}

inline std::vector<std::string> Describe(const std::vector<TracedCommand>& commands) {
  std::vector<std::string> words;
  for (const auto& command : commands) words.push_back(Describe(command));
  return words;
}

// The same without the buffer polls that precede every write.
inline std::vector<std::string> DescribeWithoutBufferPolls(const std::vector<TracedCommand>& commands) {
  std::vector<std::string> words;
  for (const auto& command : commands) {
    if (command.opcode() != 0x5C) words.push_back(Describe(command));
  }
  return words;
}

}  // namespace brenmark::test
