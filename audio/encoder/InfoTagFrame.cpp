#include "audio/encoder/InfoTagFrame.h"

#include <algorithm>
#include <array>
#include <optional>

namespace brenmark::mp3 {
namespace {

// Where the fields of the tag lie, counted from its "Info".
constexpr std::size_t kFlagsAt = 4;
constexpr std::size_t kFramesAt = 8;
constexpr std::size_t kBytesAt = 12;
constexpr std::size_t kTocAt = 16;
constexpr std::size_t kQualityAt = 116;
constexpr std::size_t kEncoderAt = 120;
constexpr std::size_t kMethodAt = 129;
constexpr std::size_t kLowpassAt = 130;
constexpr std::size_t kAthAt = 139;
constexpr std::size_t kBitrateAt = 140;
constexpr std::size_t kDelayAt = 141;
constexpr std::size_t kMiscAt = 144;
constexpr std::size_t kMusicLengthAt = 148;
constexpr std::size_t kMusicCrcAt = 152;
constexpr std::size_t kTagCrcAt = 154;
constexpr std::size_t kTagSize = 156;
// Frame count, byte count, seek table and quality are all present.
constexpr std::uint32_t kAllFields = 0x0F;
constexpr std::uint8_t kConstantBitrate = 1;

struct FrameHeader {
  bool mpeg1 = true;
  bool mono = false;
  int bitrateIndex = 0;
  int rateIndex = 0;
  int rate = 0;
  bool padded = false;

  std::size_t SideInfoSize() const { return mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17); }
};

constexpr std::array<int, 15> kMpeg1Bitrates = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kMpeg2Bitrates = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

std::size_t FrameSize(const FrameHeader& header, int bitrateIndex) {
  const int kbps = (header.mpeg1 ? kMpeg1Bitrates : kMpeg2Bitrates)[static_cast<std::size_t>(bitrateIndex)];
  const int perKbps = header.mpeg1 ? 144000 : 72000;
  return static_cast<std::size_t>(perKbps * kbps / header.rate) + (header.padded ? 1 : 0);
}

// A Layer III frame header at `at`, if one is there.
std::optional<FrameHeader> HeaderAt(std::span<const std::uint8_t> stream, std::size_t at) {
  if (at + 4 > stream.size() || stream[at] != 0xFF || (stream[at + 1] & 0xE0) != 0xE0) return std::nullopt;
  const int version = (stream[at + 1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = (stream[at + 1] >> 1) & 3;    // 1 Layer III
  FrameHeader header;
  header.bitrateIndex = stream[at + 2] >> 4;
  header.rateIndex = (stream[at + 2] >> 2) & 3;
  if (version == 1 || layer != 1 || header.bitrateIndex == 0 || header.bitrateIndex == 15 || header.rateIndex == 3) {
    return std::nullopt;
  }
  static constexpr int kRates[4][3] = {{11025, 12000, 8000}, {}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  header.mpeg1 = version == 3;
  header.rate = kRates[version][header.rateIndex];
  header.padded = ((stream[at + 2] >> 1) & 1) != 0;
  header.mono = (stream[at + 3] >> 6) == 3;
  return header;
}

// CRC-16 with the polynomial 8005h, bits reflected, starting from 0: the
// tag's checksum of itself and of the music.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

void PutBe32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

void PutBe16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 8);
  out[1] = static_cast<std::uint8_t>(value);
}

// The channel mode as the tag's misc byte names it, from the header's.
std::uint8_t StereoModeOf(std::uint8_t headerByte3) {
  switch (headerByte3 >> 6) {
    case 0: return 1;  // stereo
    case 1: return 3;  // joint stereo
    case 2: return 2;  // dual channel
    default: return 0;  // mono
  }
}

std::uint8_t SourceRateCode(std::uint32_t rate) {
  if (rate <= 32000) return 0;
  if (rate <= 44100) return 1;
  return rate <= 48000 ? 2 : 3;
}

}  // namespace

bool HasTagFrame(std::span<const std::uint8_t> stream) {
  const auto header = HeaderAt(stream, 0);
  if (!header) return false;
  const std::size_t at = 4 + header->SideInfoSize();
  if (at + 4 > stream.size()) return false;
  const std::span<const std::uint8_t> id = stream.subspan(at, 4);
  return std::equal(id.begin(), id.end(), "Info") || std::equal(id.begin(), id.end(), "Xing");
}

std::vector<std::uint8_t> InfoTagFrame(std::span<const std::uint8_t> stream, const InfoTagFacts& facts) {
  const auto first = HeaderAt(stream, 0);
  if (!first) return {};
  std::uint32_t frames = 0;
  for (std::size_t at = 0; const auto header = HeaderAt(stream, at); ++frames) {
    at += FrameSize(*header, header->bitrateIndex);
  }

  FrameHeader tagHeader = *first;
  tagHeader.padded = false;
  const std::size_t tagAt = 4 + first->SideInfoSize();
  int bitrateIndex = 1;
  while (bitrateIndex < 14 && FrameSize(tagHeader, bitrateIndex) < tagAt + kTagSize) ++bitrateIndex;
  std::vector<std::uint8_t> frame(FrameSize(tagHeader, bitrateIndex), 0);
  frame[0] = 0xFF;
  frame[1] = static_cast<std::uint8_t>(stream[1] | 1);  // no CRC
  frame[2] = static_cast<std::uint8_t>(bitrateIndex << 4 | first->rateIndex << 2);
  frame[3] = stream[3];

  std::uint8_t* tag = frame.data() + tagAt;
  std::copy_n("Info", 4, tag);
  PutBe32(tag + kFlagsAt, kAllFields);
  PutBe32(tag + kFramesAt, frames);
  const auto total = static_cast<std::uint32_t>(frame.size() + stream.size());
  PutBe32(tag + kBytesAt, total);
  for (std::size_t i = 0; i < 100; ++i) tag[kTocAt + i] = static_cast<std::uint8_t>(i * 256 / 100);
  PutBe32(tag + kQualityAt, facts.quality);
  std::string encoder = facts.encoder;
  encoder.resize(9, ' ');
  std::copy(encoder.begin(), encoder.end(), tag + kEncoderAt);
  tag[kMethodAt] = kConstantBitrate;
  tag[kLowpassAt] = static_cast<std::uint8_t>(std::min<std::uint32_t>((facts.lowpassHz + 50) / 100, 255));
  tag[kAthAt] = facts.athType & 0x0F;
  tag[kBitrateAt] = static_cast<std::uint8_t>(std::min<std::uint32_t>(facts.bitrateKbps, 255));
  const std::uint32_t delay = std::min<std::uint32_t>(facts.encoderDelay, 0xFFF);
  const std::uint32_t padding = std::min<std::uint32_t>(facts.encoderPadding, 0xFFF);
  tag[kDelayAt] = static_cast<std::uint8_t>(delay >> 4);
  tag[kDelayAt + 1] = static_cast<std::uint8_t>((delay & 0x0F) << 4 | padding >> 8);
  tag[kDelayAt + 2] = static_cast<std::uint8_t>(padding);
  tag[kMiscAt] = static_cast<std::uint8_t>(StereoModeOf(stream[3]) << 2 | SourceRateCode(facts.sourceRate) << 6);
  PutBe32(tag + kMusicLengthAt, total);
  PutBe16(tag + kMusicCrcAt, Crc16(stream));
  PutBe16(tag + kTagCrcAt, Crc16(std::span(frame.data(), tagAt + kTagCrcAt)));
  return frame;
}

}  // namespace brenmark::mp3
