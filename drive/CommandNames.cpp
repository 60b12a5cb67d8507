#include "drive/CommandNames.h"

#include <cstdio>
#include <string_view>

namespace brenmark {

std::string CommandName(std::uint8_t opcode) {
  static constexpr struct {
    std::uint8_t opcode;
    std::string_view name;
  } kNames[] = {
      {0x00, "TEST UNIT READY"},
      {0x03, "REQUEST SENSE"},
      {0x04, "FORMAT UNIT"},
      {0x12, "INQUIRY"},
      {0x1B, "START STOP UNIT"},
      {0x1E, "PREVENT ALLOW MEDIUM REMOVAL"},
      {0x23, "READ FORMAT CAPACITIES"},
      {0x25, "READ CAPACITY"},
      {0x28, "READ(10)"},
      {0x2A, "WRITE(10)"},
      {0x35, "SYNCHRONIZE CACHE"},
      {0x42, "READ SUB-CHANNEL"},
      {0x43, "READ TOC/PMA/ATIP"},
      {0x44, "READ HEADER"},
      {0x46, "GET CONFIGURATION"},
      {0x4A, "GET EVENT STATUS NOTIFICATION"},
      {0x51, "READ DISC INFORMATION"},
      {0x52, "READ TRACK INFORMATION"},
      {0x53, "RESERVE TRACK"},
      {0x54, "SEND OPC INFORMATION"},
      {0x55, "MODE SELECT(10)"},
      {0x5A, "MODE SENSE(10)"},
      {0x5B, "CLOSE TRACK/SESSION"},
      {0x5C, "READ BUFFER CAPACITY"},
      {0x5D, "SEND CUE SHEET"},
      {0xA1, "BLANK"},
      {0xA8, "READ(12)"},
      {0xAA, "WRITE(12)"},
      {0xAC, "GET PERFORMANCE"},
      {0xAD, "READ DVD STRUCTURE"},
      {0xB6, "SET STREAMING"},
      {0xBB, "SET CD SPEED"},
      {0xBE, "READ CD"},
  };
  for (const auto& entry : kNames) {
    if (entry.opcode == opcode) return std::string(entry.name);
  }
  char text[16];
  std::snprintf(text, sizeof text, "OPCODE %02Xh", opcode);
  return text;
}

}  // namespace brenmark
