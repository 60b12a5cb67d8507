// What burning programs ask a recorder beyond what they need to write: its
// write speeds and current performance, media events, the sub-channel (Q,
// which tells pregaps, and the absent catalogue numbers). The peer programs
// in tests/endtoend use the rest (block headers, incremental streaming, a
// last write shorter than its buffer).
#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

cdb::Bytes GetPerformance(std::uint8_t type, std::uint8_t dataType, std::uint16_t descriptors) {
  return {0xAC, dataType, 0, 0, 0, 0, 0, 0, cdb::ByteOf(descriptors, 1), cdb::ByteOf(descriptors, 0), type, 0};
}

cdb::Bytes GetEventStatus(bool polled, std::uint8_t classes) {
  return {0x4A, cdb::ByteOf(polled ? 1 : 0, 0), 0, 0, classes, 0, 0, 0, 8, 0};
}

// The write speed descriptors a program lists and chooses from, the one
// asked for first telling how many there are; the performance in effect
// follows the speed chosen.
TEST(DriveQueries, PerformanceListsEveryWriteSpeedAndTheCurrentOne) {
  RecorderHarness harness{DvdRecorderModel()};
  constexpr std::uint32_t kLastBlock = 2298496 - 1;
  const auto first = harness.Read(GetPerformance(3, 0, 1), 24);
  ASSERT_TRUE(first);
  EXPECT_EQ(Be32(*first, 0), 4u + 16 * 5);
  EXPECT_EQ(Be32(*first, 8 + 4), kLastBlock);
  EXPECT_EQ(Be32(*first, 8 + 12), 22160u);
  const auto all = harness.Read(GetPerformance(3, 0, 5), 8 + 16 * 5);
  ASSERT_TRUE(all);
  EXPECT_EQ(Be32(*all, 8 + 16 * 4 + 12), 1385u);

  cdb::Bytes speed = cdb::Simple(0xBB, 12);
  cdb::Put16(speed, 4, 6000);
  ASSERT_EQ(harness.Send(speed), TransportResult::Good);
  const auto write = harness.Read(GetPerformance(0, 0x04, 1), 24);
  ASSERT_TRUE(write);
  EXPECT_EQ(Be32(*write, 0), 4u + 16);
  EXPECT_EQ((*write)[4], 0x02);
  EXPECT_EQ(Be32(*write, 8 + 4), 5540u);
  EXPECT_EQ(Be32(*write, 8 + 8), kLastBlock);
  EXPECT_EQ(Be32(*write, 8 + 12), 5540u);
  EXPECT_FALSE(harness.Read(GetPerformance(5, 0, 1), 24));
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
}

TEST(DriveQueries, MediaEventsTellWhetherADiscIsIn) {
  RecorderHarness harness;
  const auto loaded = harness.Read(GetEventStatus(true, 0xFF), 8);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(Be16(*loaded, 0), 6);
  EXPECT_EQ((*loaded)[2], 4);     // media class
  EXPECT_EQ((*loaded)[4], 0);     // no change
  EXPECT_EQ((*loaded)[5], 0x02);  // present
  ASSERT_TRUE(harness.recorder().RemoveDisc().ok);
  EXPECT_EQ((*harness.Read(GetEventStatus(true, 0x10), 8))[5], 0);
  // Only the media class is kept; asking for another gives no event.
  const auto power = harness.Read(GetEventStatus(true, 0x04), 8);
  ASSERT_TRUE(power);
  EXPECT_EQ(Be16(*power, 0), 2);
  EXPECT_EQ((*power)[2], 0x80);
  EXPECT_FALSE(harness.Read(GetEventStatus(false, 0x10), 8));
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
}

// The Q sub-channel of the blocks around a pregap, formatted and raw: the
// track, the index, the relative time counting down to the track's start
// and up after it, the absolute time, a CRC that checks; P marks the pregap.
// READ SUB-CHANNEL tells of no catalogue numbers.
TEST(DriveQueries, TheSubChannelOfEachBlockAndNoCatalogueNumbers) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({.dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  ASSERT_EQ(harness.SendOut(cdb::Write10(0, 10), Pattern(10, 2352, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);
  const std::int32_t second = harness.TrackStart(2);
  ASSERT_EQ(second, 10 + 2 + 150);
  ASSERT_EQ(harness.SendOut(cdb::Write10(second, 5), Pattern(5, 2352, 2)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);

  const auto subChannel = [&harness](std::int32_t lba, std::uint32_t blocks, std::uint8_t selection,
                                     std::uint32_t size) {
    cdb::Bytes read = cdb::ReadCd(lba, blocks, 0);
    read[10] = selection;
    return harness.Read(read, blocks * size).value_or(std::vector<std::uint8_t>{});
  };
  const auto formatted = subChannel(second - 1, 2, 2, 16);
  ASSERT_EQ(formatted.size(), 32u);
  const std::vector<std::uint8_t> pregapEnd(formatted.begin(), formatted.begin() + 10);
  const std::vector<std::uint8_t> trackStart(formatted.begin() + 16, formatted.begin() + 26);
  // 01h control 0 ADR 1; track 02, index 00, 00:00:01 to go, absolute 00:04:11 (block 161).
  EXPECT_EQ(pregapEnd, (std::vector<std::uint8_t>{0x01, 0x02, 0x00, 0x00, 0x00, 0x01, 0, 0x00, 0x04, 0x11}));
  EXPECT_EQ(trackStart, (std::vector<std::uint8_t>{0x01, 0x02, 0x01, 0x00, 0x00, 0x00, 0, 0x00, 0x04, 0x12}));
  // The CRC, stored inverted: the CRC of the ten bytes and the true CRC is zero.
  for (const std::size_t at : {std::size_t{0}, std::size_t{16}}) {
    std::uint16_t crc = 0;
    for (std::size_t index = at; index < at + 12; ++index) {
      const std::uint8_t byte = index >= at + 10 ? static_cast<std::uint8_t>(~formatted[index]) : formatted[index];
      crc = static_cast<std::uint16_t>(crc ^ byte << 8);
      for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
    }
    EXPECT_EQ(crc, 0) << at;
  }
  // Raw: P in bit 7 (the pregap), Q in bit 6, the same Q as formatted.
  const auto raw = subChannel(second - 1, 2, 1, 96);
  ASSERT_EQ(raw.size(), 192u);
  for (std::size_t block = 0; block < 2; ++block) {
    for (std::size_t bit = 0; bit < 96; ++bit) {
      const std::uint8_t byte = raw[block * 96 + bit];
      EXPECT_EQ((byte & 0x80) != 0, block == 0) << block << " " << bit;
      EXPECT_EQ((byte >> 6 & 1) != 0, (formatted[block * 16 + bit / 8] >> (7 - bit % 8) & 1) != 0) << block << " " << bit;
    }
  }
  // With the main channel: each block's 2352 bytes, then its sub-channel.
  cdb::Bytes both = cdb::ReadCd(0, 1, 0xF8);
  both[10] = 2;
  const auto block = harness.Read(both, 2352 + 16);
  ASSERT_TRUE(block);
  EXPECT_EQ(std::vector<std::uint8_t>(block->begin(), block->begin() + 2352), Pattern(1, 2352, 1));
  EXPECT_EQ((*block)[2352 + 2], 0x01);  // index 1 of track 1
  both[10] = 3;
  EXPECT_FALSE(harness.Read(both, 2352 + 16));
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);

  // READ SUB-CHANNEL: no catalogue number and no ISRC, said by the valid bits.
  cdb::Bytes read = cdb::Simple(0x42, 10);
  read[2] = 0x40;
  cdb::Put16(read, 7, 24);
  for (const std::uint8_t format : {2, 3}) {
    read[3] = format;
    read[6] = 1;
    const auto answer = harness.Read(read, 24);
    ASSERT_TRUE(answer) << int{format};
    EXPECT_EQ(Be16(*answer, 2), 20);
    EXPECT_EQ((*answer)[4], format);
    EXPECT_EQ((*answer)[8] & 0x80, 0);
  }
  read[6] = 3;  // no such track
  EXPECT_FALSE(harness.Read(read, 24));
  read[3] = 1;  // the current position: nothing played, the head at track 1
  const auto position = harness.Read(read, 16);
  ASSERT_TRUE(position);
  EXPECT_EQ((*position)[1], 0x15);  // no audio status
  EXPECT_EQ((*position)[6], 1);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
