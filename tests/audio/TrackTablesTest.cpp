// The table of contents as the grab job and the track dialog read it, and the
// checksums fed in pieces of any size.
#include <gtest/gtest.h>

#include <vector>

#include "audio/Crc32.h"
#include "audio/TrackChecksums.h"
#include "audio/TrackTimeTable.h"

namespace brenmark::audio {
namespace {

struct Descriptor {
  std::uint8_t adrControl;
  std::uint8_t point;
  MsfTime time;
};

std::vector<std::uint8_t> FullToc(const std::vector<Descriptor>& descriptors) {
  std::vector<std::uint8_t> toc(4);
  for (const Descriptor& d : descriptors) {
    const std::uint8_t bytes[11] = {1, d.adrControl, 0, d.point, 0, 0, 0, 0, d.time.minute, d.time.second, d.time.frame};
    toc.insert(toc.end(), bytes, bytes + 11);
  }
  toc[0] = static_cast<std::uint8_t>((toc.size() - 2) >> 8);
  toc[1] = static_cast<std::uint8_t>(toc.size() - 2);
  return toc;
}

TEST(TrackTimeTable, ListsTheTracksOfPositionDescriptorsWithTheirLengthsAndKinds) {
  const auto toc = FullToc({{0x10, 0xA0, {1, 0, 0}},
                            {0x10, 0x01, {0, 2, 0}},
                            {0x14, 0x02, {4, 2, 0}},
                            {0x50, 0x03, {9, 0, 0}},  // a multisession pointer, not a track
                            {0x10, 0xA2, {9, 9, 9}},
                            {0x10, 0xA2, {7, 32, 0}}});
  const TrackTimeTable table = ReadTrackTimes(toc.data(), toc.size());
  ASSERT_EQ(table.tracks.size(), 2u);
  EXPECT_FALSE(table.tracks[0].data);
  EXPECT_TRUE(table.tracks[1].data);
  EXPECT_EQ(table.Start(1).Lba(), 0);
  EXPECT_EQ(table.Length(1), 18000);
  EXPECT_EQ(table.End(2).Frames(), table.leadOut.Frames());
  EXPECT_FALSE(table.Holds(3));
}

TEST(TrackTimeTable, ReadsNothingBeyondTheResponseOrTheBuffer) {
  auto toc = FullToc({{0x10, 0x01, {0, 2, 0}}, {0x10, 0x02, {1, 2, 0}}});
  // A length claiming more than the buffer holds, and a buffer cut inside the second descriptor.
  toc[0] = 0xFF;
  const TrackTimeTable cut = ReadTrackTimes(toc.data(), toc.size() - 1);
  EXPECT_EQ(cut.tracks.size(), 1u);
  // Without a lead-out a track ends at 00:00:00: no length rather than a wrapped one.
  EXPECT_EQ(cut.Length(1), 0);
  EXPECT_EQ(TrackListText(1, cut.Start(1), cut.End(1)), "Track 01 - 00:00 -- Size: 0.00 Mb");
}

TEST(TrackChecksums, AreTheSameWhateverPiecesTheAudioArrivesIn) {
  std::vector<std::uint8_t> audio(6 * 2352 + 4 * 100);
  for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<std::uint8_t>(i * 131 + i / 7);
  const std::uint64_t samples = audio.size() / 4;
  for (const bool first : {false, true}) {
    for (const bool last : {false, true}) {
      TrackChecksums whole(samples, first, last);
      whole.Add(audio.data(), audio.size());
      TrackChecksums pieces(samples, first, last);
      for (std::size_t at = 0, piece = 1; at < audio.size(); at += piece, piece = piece % 7 + 1) {
        pieces.Add(audio.data() + at, std::min(piece, audio.size() - at));
      }
      EXPECT_EQ(pieces.crc32(), whole.crc32());
      EXPECT_EQ(pieces.accurateRipV1(), whole.accurateRipV1());
      EXPECT_EQ(pieces.accurateRipV2(), whole.accurateRipV2());
    }
  }
}

TEST(Crc32, MatchesTheBitwiseDefinitionAtEveryLengthAndAlignment) {
  std::vector<std::uint8_t> bytes(1200);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 5));
  for (std::size_t start = 0; start < 3; ++start) {
    for (std::size_t length = 0; start + length <= bytes.size(); length += length < 300 ? 1 : 97) {
      std::uint32_t bitwise = 0xFFFFFFFF;
      for (std::size_t i = start; i < start + length; ++i) {
        bitwise ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) bitwise = (bitwise >> 1) ^ (0xEDB88320u & (0u - (bitwise & 1)));
      }
      ASSERT_EQ(UpdateCrc32(0xFFFFFFFF, bytes.data() + start, length), bitwise) << start << " " << length;
    }
  }
  const auto* check = reinterpret_cast<const std::uint8_t*>("123456789");
  EXPECT_EQ(~UpdateCrc32(0xFFFFFFFF, check, 9), 0xCBF43926u);  // the CRC-32 check value
}

}  // namespace
}  // namespace brenmark::audio
