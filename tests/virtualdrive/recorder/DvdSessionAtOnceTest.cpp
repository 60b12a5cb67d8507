#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

class DvdSessionAtOnce : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(harness.SetWriteParameters({.writeType = 2}), TransportResult::Good);
  }

  TransportResult Write12(std::int32_t lba, std::uint32_t blocks, std::uint32_t seed) {
    return harness.SendOut(cdb::Write12(lba, blocks), Pattern(blocks, 2048, seed));
  }

  RecorderHarness harness{DvdRecorderModel()};
};

TEST_F(DvdSessionAtOnce, ReservedTrackWrittenAndSynchronisedFinishesTheDisc) {
  EXPECT_EQ(Write12(0, 16, 1), TransportResult::DeviceFailure);  // nothing reserved yet
  EXPECT_EQ(harness.sense(), sense::kCommandSequenceError);
  ASSERT_EQ(harness.Send(cdb::ReserveTrack(40)), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x05);
  EXPECT_EQ(Be32(harness.TrackInformation(1), 16), 40u);
  ASSERT_EQ(Write12(0, 32, 1), TransportResult::Good);
  EXPECT_EQ(Write12(32, 16, 2), TransportResult::DeviceFailure);  // beyond the reservation
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
  ASSERT_EQ(Write12(32, 8, 2), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::Simple(0x35, 10)), TransportResult::Good);

  const auto disc = harness.DiscInformation();
  EXPECT_EQ(disc[2], 0x0E);
  EXPECT_EQ(disc[4], 1);
  EXPECT_EQ(Be32(harness.Read(cdb::Simple(0x25, 10), 8).value(), 0), 39u);
  const auto toc = harness.Read(cdb::ReadToc(0, false, 100), 100).value();
  EXPECT_EQ(Be32(toc, 4 + 8 + 4), 40u);  // lead-out
  EXPECT_FALSE(harness.Read(cdb::ReadToc(2, true, 100), 100));  // no full TOC on DVD
  EXPECT_EQ(harness.Read(cdb::Read12(32, 8), 8 * 2048), Pattern(8, 2048, 2));
  EXPECT_FALSE(harness.Read(cdb::Read12(32, 9), 9 * 2048));
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
}

TEST_F(DvdSessionAtOnce, ClosingEarlyFillsTheReservation) {
  ASSERT_EQ(harness.Send(cdb::ReserveTrack(100)), TransportResult::Good);
  ASSERT_EQ(Write12(0, 10, 1), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::Simple(0x35, 10)), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x05);  // still incomplete
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x0E);
  EXPECT_EQ(std::filesystem::file_size(harness.folder() / "work" / "disc.iso"), 100u * 2048u);
}

TEST_F(DvdSessionAtOnce, RefusesTrackAtOnceRawBlocksAndSecondReservations) {
  ASSERT_EQ(harness.Send(cdb::ReserveTrack(100)), TransportResult::Good);
  EXPECT_EQ(harness.Send(cdb::ReserveTrack(100)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kCommandSequenceError);
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);  // track at once
  EXPECT_EQ(Write12(0, 1, 1), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  ASSERT_EQ(harness.SetWriteParameters({.writeType = 2, .dataBlockType = 0}), TransportResult::Good);
  EXPECT_EQ(harness.SendOut(cdb::Write12(0, 1), Pattern(1, 2352, 0)), TransportResult::DeviceFailure);
  EXPECT_FALSE(harness.Read(cdb::ReadCd(0, 1, 0x10), 2048));  // no READ CD on DVD media

  RecorderHarness fresh{DvdRecorderModel()};
  EXPECT_EQ(fresh.Send(cdb::ReserveTrack(2298497)), TransportResult::DeviceFailure);
  EXPECT_EQ(fresh.sense(), sense::kLbaOutOfRange);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
