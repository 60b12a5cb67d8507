#include "virtualdrive/SubChannel.h"

#include <array>
#include <string>

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

// The 6-bit code of an ISRC letter or digit in the Q channel.
unsigned IsrcCharacter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned>(c - 'A') + 0x11 : static_cast<unsigned>(c - '0'); }

// Packs `bits` of `value` into `q` from bit `at` on, most significant first.
void PutBits(std::array<std::uint8_t, kQBytes>& q, std::size_t& at, unsigned value, std::size_t bits) {
  for (std::size_t bit = bits; bit-- > 0; ++at) {
    if ((value >> bit & 1) != 0) q[at / 8] = static_cast<std::uint8_t>(q[at / 8] | 0x80 >> at % 8);
  }
}

// Mode 2 (the catalogue number, 13 digits) or mode 3 (the ISRC: 5 letters
// or digits of 6 bits, 7 digits), then the absolute frame.
std::array<std::uint8_t, kQBytes> IdentifierQ(const DiscTrack& track, std::int32_t lba, const std::string& code,
                                              std::uint8_t mode) {
  std::array<std::uint8_t, kQBytes> q{};
  q[0] = static_cast<std::uint8_t>(track.Control() << 4 | mode);
  std::size_t at = 8;
  for (std::size_t index = 0; index < code.size(); ++index) {
    const bool character = mode == 3 && index < 5;
    PutBits(q, at, character ? IsrcCharacter(code[index]) : static_cast<unsigned>(code[index] - '0'), character ? 6 : 4);
    if (mode == 3 && index == 4) at += 2;
  }
  q[9] = Bcd(LbaToMsf(lba).frame);
  const std::uint16_t crc = QCrc(q.data(), 10);
  q[10] = static_cast<std::uint8_t>(crc >> 8);
  q[11] = static_cast<std::uint8_t>(crc);
  return q;
}

std::array<std::uint8_t, kQBytes> QChannel(const DiscTrack& track, std::int32_t lba, const std::string& catalog) {
  // As on a pressed disc, one block in a hundred of a track's data tells
  // the catalogue number, another the track's ISRC.
  if (lba >= track.start && !catalog.empty() && lba % 100 == 25) return IdentifierQ(track, lba, catalog, 2);
  if (lba >= track.start && !track.isrc.empty() && lba % 100 == 75) return IdentifierQ(track, lba, track.isrc, 3);
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

void AppendSubChannel(std::uint8_t selection, const DiscTrack& track, std::int32_t lba, const std::string& catalog,
                      std::vector<std::uint8_t>& response) {
  if (selection == 4) {
    response.insert(response.end(), kRawBytes, 0);
    return;
  }
  if (selection != 1 && selection != 2) return;
  const auto q = QChannel(track, lba, catalog);
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
