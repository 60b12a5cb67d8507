#include "drive/DiscInformation.h"

namespace brenmark::discinfo {

bool IsBlank(const std::uint8_t* response) { return (response[2] & 0x03) == 0; }

// Disc incomplete with its last session empty: another session can be added.
bool IsAppendable(const std::uint8_t* response) { return (response[2] & 0x0F) == 0x01; }

std::int32_t SessionCount(const std::uint8_t* response) { return response[4] + 256 * response[9]; }

std::int32_t LastTrackNumber(const std::uint8_t* response) {
  return response[6] + 256 * response[11];
}

std::int32_t CapacityFrames(const std::uint8_t* response) {
  return response[21] * 4500 + response[22] * 75 + response[23];
}

std::int32_t LeadInStart(const std::uint8_t* response) {
  const std::int32_t frames = response[17] * 4500 + response[18] * 75 + response[19];
  return response[17] >= 90 ? frames - 450150 : frames - 150;
}

std::uint32_t StatusMask(const std::uint8_t* response) {
  const std::uint8_t state = response[2];
  std::uint32_t mask = 0x1u << (state & 0x03);               // 1h, 2h, 4h, 8h
  mask |= (state & 0x10) ? 0x10u : 0x20u;                   // erasable or not
  mask |= 0x40u << ((state >> 2) & 0x03);                   // 40h, 80h, 100h, 200h
  switch (response[8]) {
    case 0x00: mask |= 0x400; break;
    case 0x10: mask |= 0x800; break;
    case 0x20: mask |= 0x1000; break;
    default: break;
  }
  return mask;
}

}  // namespace brenmark::discinfo
