// What burning programs ask a recorder before and around writing: its write
// speeds and current performance, media events, the incremental writing a
// DVD-R program looks for before choosing disc at once, the mode of a data
// block's header; and the last write of a reservation, shorter than the
// program's buffer.
#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

cdb::Bytes GetPerformance(std::uint8_t type, std::uint8_t dataType, std::uint16_t descriptors) {
  cdb::Bytes bytes(12, 0);
  bytes[0] = 0xAC;
  bytes[1] = dataType;
  cdb::Put16(bytes, 8, descriptors);
  bytes[10] = type;
  return bytes;
}

cdb::Bytes GetEventStatus(bool polled, std::uint8_t classes) {
  cdb::Bytes bytes(10, 0);
  bytes[0] = 0x4A;
  bytes[1] = polled ? 1 : 0;
  bytes[4] = classes;
  cdb::Put16(bytes, 7, 8);
  return bytes;
}

cdb::Bytes ReadHeader(std::int32_t lba, bool msf) {
  cdb::Bytes bytes(10, 0);
  bytes[0] = 0x44;
  bytes[1] = msf ? 0x02 : 0;
  cdb::Put32(bytes, 2, static_cast<std::uint32_t>(lba));
  cdb::Put16(bytes, 7, 8);
  return bytes;
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
  const auto read = harness.Read(GetPerformance(0, 0, 1), 24);
  ASSERT_TRUE(read);
  EXPECT_EQ(Be32(*read, 8 + 4), 22160u);
  // No exceptions to report; unknown types refused.
  const auto exceptions = harness.Read(GetPerformance(0, 0x01, 4), 8 + 6 * 4);
  ASSERT_TRUE(exceptions);
  EXPECT_EQ(Be32(*exceptions, 0), 4u);
  EXPECT_FALSE(harness.Read(GetPerformance(5, 0, 1), 24));
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  ASSERT_TRUE(harness.recorder().RemoveDisc().ok);
  EXPECT_FALSE(harness.Read(GetPerformance(3, 0, 1), 24));
  EXPECT_EQ(harness.sense(), sense::kMediumNotPresent);
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

// Feature 0021h asked alone: the DVD recorder knows it but never has it
// current; the CD recorder does not list it.
TEST(DriveQueries, IncrementalStreamingIsNeverCurrent) {
  cdb::Bytes feature = cdb::Simple(0x46, 10);
  feature[1] = 2;
  feature[3] = 0x21;
  cdb::Put16(feature, 7, 16);
  RecorderHarness dvd{DvdRecorderModel()};
  const auto listed = dvd.Read(feature, 16);
  ASSERT_TRUE(listed);
  EXPECT_EQ(Be32(*listed, 0), 4u + 12);
  EXPECT_EQ(Be16(*listed, 8), 0x0021);
  EXPECT_EQ((*listed)[10] & 0x01, 0);
  RecorderHarness cd;
  EXPECT_EQ(Be32(*cd.Read(feature, 16), 0), 4u);
}

// A data track's blocks tell their mode; the audio track and the run-out
// between them have no header to read.
TEST(DriveQueries, ReadHeaderGivesTheModeOfDataBlocks) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 10, Pattern(10, 2048, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);
  ASSERT_EQ(harness.SetWriteParameters({.dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  const std::int32_t second = harness.TrackStart(2);
  ASSERT_EQ(harness.SendOut(cdb::Write10(second, 2), Pattern(2, 2352, 2)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);

  const auto byAddress = harness.Read(ReadHeader(9, false), 8);
  ASSERT_TRUE(byAddress);
  EXPECT_EQ((*byAddress)[0], 1);
  EXPECT_EQ(Be32(*byAddress, 4), 9u);
  const auto byTime = harness.Read(ReadHeader(9, true), 8);
  ASSERT_TRUE(byTime);
  EXPECT_EQ(Be32(*byTime, 4), 0x00000209u);  // 00:02:09
  for (const std::int32_t unreadable : {10, second}) {
    EXPECT_FALSE(harness.Read(ReadHeader(unreadable, false), 8)) << unreadable;
    EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  }
  EXPECT_FALSE(harness.Read(ReadHeader(second + 500, false), 8));
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
}

// The CDB's blocks are written and whole blocks more are left over, as the
// residual; data that is not whole blocks is refused.
TEST(DriveQueries, AWriteTakesTheBlocksOfItsCdbFromALargerBuffer) {
  RecorderHarness harness{DvdRecorderModel()};
  ASSERT_EQ(harness.SetWriteParameters({.writeType = 2}), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::ReserveTrack(20)), TransportResult::Good);
  ASSERT_EQ(harness.SendOut(cdb::Write12(0, 16), Pattern(16, 2048, 3)), TransportResult::Good);
  std::vector<std::uint8_t> buffer = Pattern(16, 2048, 4);
  const auto last = cdb::Write12(16, 4);
  ScsiRequest request;
  request.cdb = last.data();
  request.cdbLength = static_cast<std::uint8_t>(last.size());
  request.direction = DataDirection::Out;
  request.buffer = buffer.data();
  request.length = static_cast<std::uint32_t>(buffer.size()) - 1024;
  EXPECT_EQ(harness.recorder().Execute(request).result, TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  request.length += 1024;
  const CommandOutcome outcome = harness.recorder().Execute(request);
  ASSERT_EQ(outcome.result, TransportResult::Good);
  EXPECT_EQ(outcome.residual, 12u * 2048);
  ASSERT_EQ(harness.Send(cdb::Simple(0x35, 10)), TransportResult::Good);  // closes the full reservation
  EXPECT_EQ(harness.DiscInformation()[2] & 0x03, 0x02);
  cdb::Bytes read12 = cdb::Write12(16, 4);
  read12[0] = 0xA8;
  buffer.resize(4 * 2048);
  EXPECT_EQ(harness.Read(read12, 4 * 2048), buffer);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
