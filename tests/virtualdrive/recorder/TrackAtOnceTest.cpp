#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

constexpr std::uint8_t kUserData = 0x10;

class TrackAtOnce : public ::testing::Test {
 protected:
  // Writes `blocks` Mode 1 blocks at the next track's start and closes it.
  std::int32_t WriteMode1Track(int number, std::uint16_t blocks, std::uint32_t seed) {
    const std::int32_t start = harness.TrackStart(number);
    EXPECT_EQ(harness.Write(start, blocks, Pattern(blocks, 2048, seed)), TransportResult::Good);
    EXPECT_EQ(harness.Send(cdb::CloseTrack(number)), TransportResult::Good);
    return start;
  }

  RecorderHarness harness;
};

// Tracks follow each other with run-out and pregap; the writes and closes a real
// drive refuses.
TEST_F(TrackAtOnce, TracksFollowWithRunOutAndPregapAndBadWritesAreRefused) {
  // Closing an empty session, a foreign track, or with an unknown function.
  EXPECT_EQ(harness.Send(cdb::CloseSession()), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kCommandSequenceError);
  EXPECT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);  // invisible track: nothing to do
  EXPECT_EQ(harness.Send(cdb::CloseTrack(2)), TransportResult::DeviceFailure);
  auto badClose = cdb::CloseSession();
  badClose[2] = 0x05;
  EXPECT_EQ(harness.Send(badClose), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  // Not the next writable address.
  EXPECT_EQ(harness.Write(16, 1, Pattern(1, 2048, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidAddressForWrite);
  // Blocks of the wrong size for data block type 8.
  EXPECT_EQ(harness.Write(0, 1, Pattern(1, 2352, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  EXPECT_EQ(WriteMode1Track(1, 100, 1), 0);
  const std::int32_t start = harness.TrackStart(2);
  EXPECT_EQ(start, 100 + 2 + 150);
  const auto first = harness.TrackInformation(1);
  EXPECT_EQ(Be32(first, 24), 102u);  // size includes the run-out
  EXPECT_EQ(first[7] & 0x01, 0);      // closed: no writable address
  const auto second = harness.TrackInformation(2);
  const std::uint32_t freeBlocks = 359849u - static_cast<std::uint32_t>(start);
  EXPECT_EQ(Be32(second, 12), static_cast<std::uint32_t>(start));
  EXPECT_EQ(Be32(second, 16), freeBlocks);
  // Past the capacity.
  EXPECT_EQ(harness.SendOut(cdb::Write12(start, freeBlocks + 1), std::vector<std::uint8_t>((freeBlocks + 1) * 2048u)),
            TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
  // Session at once on CD without a cue sheet.
  ASSERT_EQ(harness.SetWriteParameters({.writeType = 2}), TransportResult::Good);
  EXPECT_EQ(harness.Write(start, 1, Pattern(1, 2048, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  // An audio block into an open data track.
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(start, 1, Pattern(1, 2048, 0)), TransportResult::Good);
  ASSERT_EQ(harness.SetWriteParameters({.dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  EXPECT_EQ(harness.Write(start + 1, 1, Pattern(1, 2352, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
}

// What was written reads back in the tray tests; here the blocks that cannot
// be read: nothing written there yet, a wrong expected sector type, run-out blocks.
TEST_F(TrackAtOnce, ReadCdRefusesWhatWasNotWrittenAsAsked) {
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 20, Pattern(20, 2048, 9)), TransportResult::Good);
  EXPECT_FALSE(harness.Read(cdb::ReadCd(20, 1, kUserData), 2048));
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
  EXPECT_FALSE(harness.Read(cdb::ReadCd(0, 1, kUserData, 1), 2352));
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  ASSERT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);
  EXPECT_FALSE(harness.Read(cdb::ReadCd(20, 1, kUserData), 2048));
  EXPECT_EQ(harness.sense(), sense::kUnrecoveredReadError);
}

TEST_F(TrackAtOnce, ClosingSessionsFollowsMultisessionGeometry) {
  ASSERT_EQ(harness.SetWriteParameters({.multiSession = 3}), TransportResult::Good);
  WriteMode1Track(1, 300, 1);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  // Lead-out at 302; the next session's first track 11400 blocks later.
  auto disc = harness.DiscInformation();
  EXPECT_EQ(disc[2], 0x01);  // appendable, last session empty
  EXPECT_EQ(disc[4], 2);
  EXPECT_EQ(disc[5], 2);
  EXPECT_EQ(disc[6], 2);
  EXPECT_EQ(harness.TrackStart(2), 302 + 11400);
  // READ CAPACITY: the block before the last lead-out, the run-out included,
  // on a disc left open as on a closed one.
  const auto lastBlock = [&] { return Be32(harness.Read(cdb::Simple(0x25, 10), 8).value(), 0); };
  EXPECT_EQ(lastBlock(), 301u);

  WriteMode1Track(2, 50, 2);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  const std::int32_t secondLeadOut = 302 + 11400 + 52;
  EXPECT_EQ(harness.TrackStart(3), secondLeadOut + 6900);
  EXPECT_EQ(lastBlock(), static_cast<std::uint32_t>(secondLeadOut - 1));

  const auto toc = harness.Read(cdb::ReadToc(2, true, 1200), 1200);
  ASSERT_TRUE(toc);
  EXPECT_EQ((*toc)[2], 1);
  EXPECT_EQ((*toc)[3], 2);
  const std::size_t end = Be16(*toc, 0) + 2u;
  int b0Count = 0;
  for (std::size_t at = 4; at + 11 <= end; at += 11) {
    const std::uint8_t* d = toc->data() + at;
    const int pointFrames = d[8] * 4500 + d[9] * 75 + d[10];
    if (d[3] == 0xA2 && d[0] == 1) {
      EXPECT_EQ(pointFrames, 302 + 150);
    }
    if (d[3] == 0x02) {
      EXPECT_EQ(pointFrames, 302 + 11400 + 150);
    }
    if (d[3] == 0xB0 && d[0] == 1) {
      ++b0Count;
      EXPECT_EQ(d[1], 0x50);
      // Next program area: the second session's pregap.
      EXPECT_EQ(d[4] * 4500 + d[5] * 75 + d[6], 302 + 11250 + 150);
      EXPECT_EQ(pointFrames, 359999);
    }
  }
  EXPECT_EQ(b0Count, 1);

  // Closing without multisession finishes the disc: no B0 for it, no writes.
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  WriteMode1Track(3, 10, 3);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  disc = harness.DiscInformation();
  EXPECT_EQ(disc[2], 0x0E);
  EXPECT_EQ(disc[4], 3);
  EXPECT_EQ(Be32(disc, 16), 0xFFFFFFFFu);
  EXPECT_EQ(harness.Write(secondLeadOut + 6900 + 12, 1, Pattern(1, 2048, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(lastBlock(), static_cast<std::uint32_t>(secondLeadOut + 6900 + 12 - 1));
}

TEST_F(TrackAtOnce, TestWriteLeavesTheDiscBlank) {
  ASSERT_EQ(harness.SetWriteParameters({.testWrite = true}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 8, Pattern(8, 2048, 1)), TransportResult::Good);
  EXPECT_EQ(harness.Write(4, 1, Pattern(1, 2048, 1)), TransportResult::DeviceFailure);
  ASSERT_EQ(harness.Write(8, 1, Pattern(1, 2048, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x00);
  EXPECT_FALSE(std::filesystem::exists(harness.folder() / "work" / "disc.bin"));
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
