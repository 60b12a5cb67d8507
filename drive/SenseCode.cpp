#include "drive/SenseCode.h"

#include <cstdio>

namespace brenmark {
namespace {

struct AdditionalSense {
  std::uint8_t asc;
  std::uint8_t ascq;
  const char* text;
};

// The additional sense codes a CD/DVD recorder commonly answers with.
constexpr AdditionalSense kAdditionalSenses[] = {
    {0x04, 0x00, "logical unit not ready"},
    {0x04, 0x01, "logical unit becoming ready"},
    {0x04, 0x04, "logical unit not ready, format in progress"},
    {0x04, 0x07, "logical unit not ready, operation in progress"},
    {0x04, 0x08, "logical unit not ready, long write in progress"},
    {0x0C, 0x00, "write error"},
    {0x11, 0x00, "unrecovered read error"},
    {0x1A, 0x00, "parameter list length error"},
    {0x20, 0x00, "invalid command operation code"},
    {0x21, 0x00, "logical block address out of range"},
    {0x21, 0x02, "invalid address for write"},
    {0x24, 0x00, "invalid field in CDB"},
    {0x26, 0x00, "invalid field in parameter list"},
    {0x28, 0x00, "medium may have changed"},
    {0x29, 0x00, "power on or reset occurred"},
    {0x2C, 0x00, "command sequence error"},
    {0x30, 0x00, "incompatible medium installed"},
    {0x39, 0x00, "saving parameters not supported"},
    {0x3A, 0x00, "medium not present"},
    {0x3A, 0x01, "medium not present, tray closed"},
    {0x3A, 0x02, "medium not present, tray open"},
    {0x44, 0x00, "internal target failure"},
    {0x64, 0x00, "illegal mode for this track"},
    {0x72, 0x00, "session fixation error"},
    {0x73, 0x00, "CD control error"},
    {0x73, 0x03, "power calibration area error"},
};

constexpr const char* kSenseKeys[16] = {
    "no sense",        "recovered error", "not ready",      "medium error",
    "hardware error",  "illegal request", "unit attention", "data protect",
    "blank check",     "vendor specific", "copy aborted",   "aborted command",
    "obsolete",        "volume overflow", "miscompare",     "reserved",
};

}  // namespace

std::string SenseCode::Text() const {
  char code[16];
  std::snprintf(code, sizeof code, "%X/%02X/%02X", key & 0x0F, asc, ascq);
  const char* meaning = kSenseKeys[key & 0x0F];
  for (const AdditionalSense& known : kAdditionalSenses) {
    if (known.asc == asc && known.ascq == ascq) meaning = known.text;
  }
  return std::string(code) + " " + meaning;
}

bool IsMediumNotPresent(const SenseCode& sense) { return sense.key == 0x02 && sense.asc == 0x3A; }

bool IsTransientNotReady(const SenseCode& sense) {
  return sense == sensecode::kBecomingReady || sense == sensecode::kLongWriteInProgress;
}

bool IsIllegalRequest(const SenseCode& sense) { return sense.key == 0x05; }

bool IsWriteError(const SenseCode& sense) { return sense.key == 0x03 && sense.asc == 0x0C; }

bool DecodeSense(std::span<const std::uint8_t> bytes, SenseCode& sense) {
  if (bytes.empty()) return false;
  switch (bytes[0] & 0x7F) {
    case 0x70:
    case 0x71:
      if (bytes.size() < 14) return false;
      sense = {static_cast<std::uint8_t>(bytes[2] & 0x0F), bytes[12], bytes[13]};
      return true;
    case 0x72:
    case 0x73:
      if (bytes.size() < 4) return false;
      sense = {static_cast<std::uint8_t>(bytes[1] & 0x0F), bytes[2], bytes[3]};
      return true;
    default:
      return false;
  }
}

}  // namespace brenmark
