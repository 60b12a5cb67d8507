#include "virtualdrive/SubChannel.h"

#include <array>

#include "virtualdrive/DiscGeometry.h"

namespace brenmark::virtualdrive {
namespace {

constexpr std::size_t kQBytes = 12;
constexpr std::size_t kRawBytes = 96;

std::uint8_t Bcd(unsigned value) { return static_cast<std::uint8_t>(value / 10 << 4 | value % 10); }

// CRC-16 with polynomial x^16 + x^12 + x^5 + 1, initial 0, stored inverted.
std::uint16_t QCrc(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0;
  for (std::size_t index = 0; index < length; ++index) {
    crc = static_cast<std::uint16_t>(crc ^ data[index] << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? crc << 1 ^ 0x1021 : crc << 1);
    }
  }
  return static_cast<std::uint16_t>(~crc);
}

std::array<std::uint8_t, kQBytes> QChannel(const DiscTrack& track, std::int32_t lba) {
  const bool pregap = lba < track.start;
  unsigned index = pregap ? 0 : 1;
  for (const std::int32_t start : track.indexes) index += lba >= start ? 1 : 0;
  const Msf relative = FramesToMsf(pregap ? track.start - lba : lba - track.start);
  const Msf absolute = LbaToMsf(lba);
  std::array<std::uint8_t, kQBytes> q{static_cast<std::uint8_t>(track.Control() << 4 | 0x01),
                                      Bcd(static_cast<unsigned>(track.number)),
                                      Bcd(index),
                                      Bcd(relative.minute),
                                      Bcd(relative.second),
                                      Bcd(relative.frame),
                                      0,
                                      Bcd(absolute.minute),
                                      Bcd(absolute.second),
                                      Bcd(absolute.frame),
                                      0,
                                      0};
  const std::uint16_t crc = QCrc(q.data(), 10);
  q[10] = static_cast<std::uint8_t>(crc >> 8);
  q[11] = static_cast<std::uint8_t>(crc);
  return q;
}

}  // namespace

bool IsSubChannelSelection(std::uint8_t selection) {
  return selection == 0 || selection == 1 || selection == 2 || selection == 4;
}

void AppendSubChannel(std::uint8_t selection, const DiscTrack& track, std::int32_t lba,
                      std::vector<std::uint8_t>& response) {
  if (selection == 4) {
    response.insert(response.end(), kRawBytes, 0);
    return;
  }
  if (selection != 1 && selection != 2) return;
  const auto q = QChannel(track, lba);
  if (selection == 2) {
    response.insert(response.end(), q.begin(), q.end());
    response.insert(response.end(), {0, 0, 0, static_cast<std::uint8_t>(lba < track.start ? 0x80 : 0)});
    return;
  }
  const std::uint8_t p = lba < track.start ? 0x80 : 0;
  for (std::size_t bit = 0; bit < kRawBytes; ++bit) {
    const bool qBit = (q[bit / 8] >> (7 - bit % 8) & 1) != 0;
    response.push_back(static_cast<std::uint8_t>(p | (qBit ? 0x40 : 0)));
  }
}

}  // namespace brenmark::virtualdrive
