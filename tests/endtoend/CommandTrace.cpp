#include "tests/endtoend/CommandTrace.h"

namespace brenmark::endtoend {
namespace {

std::uint32_t Be(const virtualdrive::CommandRecord& record, std::size_t at, std::size_t bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | record.cdb[at + i];
  return value;
}

}  // namespace

std::string Describe(const virtualdrive::CommandRecord& record) {
  switch (record.opcode()) {
    case 0x1B: return "STARTSTOP";
    case 0x46: return "GETCONFIG";
    case 0x51: return "DISCINFO";
    case 0x52: return "TRACKINFO " + std::to_string(record.cdb[5]);
    case 0x5A: return "MODESENSE " + std::to_string(record.cdb[2] & 0x3F);
    case 0x55: return "MODESELECT";
    case 0xBB: return "SETSPEED " + std::to_string(Be(record, 4, 2));
    case 0x53: return "RESERVE " + std::to_string(Be(record, 5, 4));
    case 0x35: return "SYNCCACHE";
    case 0x5B: return "CLOSE " + std::to_string(record.cdb[2] & 0x07);
    case 0x5C: return "BUFFERCAPACITY";
    case 0x2A:
      return "WRITE10 " + std::to_string(static_cast<std::int32_t>(Be(record, 2, 4))) + " " +
             std::to_string(Be(record, 7, 2));
    case 0xAA:
      return "WRITE12 " + std::to_string(static_cast<std::int32_t>(Be(record, 2, 4))) + " " +
             std::to_string(Be(record, 6, 4));
    default: return "OPCODE " + std::to_string(record.opcode());
  }
}

std::vector<std::string> Describe(const std::vector<virtualdrive::CommandRecord>& records) {
  std::vector<std::string> words;
  for (const auto& record : records) words.push_back(Describe(record));
  return words;
}

std::vector<std::string> DescribeWithoutBufferPolls(const std::vector<virtualdrive::CommandRecord>& records) {
  std::vector<std::string> words;
  for (const auto& record : records) {
    if (record.opcode() != 0x5C) words.push_back(Describe(record));
  }
  return words;
}

std::vector<Transfer> Writes(const std::vector<virtualdrive::CommandRecord>& records) {
  std::vector<Transfer> writes;
  for (const auto& record : records) {
    if (record.opcode() == 0x2A) writes.push_back({static_cast<std::int32_t>(Be(record, 2, 4)), Be(record, 7, 2)});
    if (record.opcode() == 0xAA) writes.push_back({static_cast<std::int32_t>(Be(record, 2, 4)), Be(record, 6, 4)});
  }
  return writes;
}

}  // namespace brenmark::endtoend
