// The commands burning and reading programs send beyond what our own engine
// does: READ(10)/READ(12) of user data, the ATIP, SET STREAMING, PREVENT
// ALLOW MEDIUM REMOVAL, BLANK, and a track at once ended by SYNCHRONIZE CACHE
// alone.
#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

using cdb::Read10;
using cdb::Read12;

cdb::Bytes SynchronizeCache() { return cdb::Simple(0x35, 10); }

// Two data tracks and an audio track, each ended by SYNCHRONIZE CACHE and
// no CLOSE TRACK, as track-at-once programs write them; READ(10) gives back
// what was written and refuses what holds no user data.
TEST(BurningProgramCommands, TracksEndedByTheCacheReadBackWithRead10) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  const auto first = Pattern(20, 2048, 1);
  ASSERT_EQ(harness.Write(0, 20, first), TransportResult::Good);
  ASSERT_EQ(harness.Send(SynchronizeCache()), TransportResult::Good);
  EXPECT_EQ(harness.TrackInformation(1)[7] & 0x01, 0);  // closed: no writable address
  const std::int32_t second = harness.TrackStart(2);
  EXPECT_EQ(second, 20 + 2 + 150);
  const auto secondData = Pattern(5, 2048, 2);
  ASSERT_EQ(harness.Write(second, 5, secondData), TransportResult::Good);
  ASSERT_EQ(harness.Send(SynchronizeCache()), TransportResult::Good);
  // A program that still closes the track finds nothing left to do.
  EXPECT_EQ(harness.Send(cdb::CloseTrack(2)), TransportResult::Good);
  EXPECT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  ASSERT_EQ(harness.SetWriteParameters({.dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  const std::int32_t third = harness.TrackStart(3);
  ASSERT_EQ(harness.SendOut(cdb::Write10(third, 2), Pattern(2, 2352, 3)), TransportResult::Good);
  ASSERT_EQ(harness.Send(SynchronizeCache()), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);

  EXPECT_EQ(harness.Read(Read10(0, 20), 20 * 2048), first);
  EXPECT_EQ(harness.Read(Read12(second, 5), 5 * 2048), secondData);
  // A buffer that takes fewer blocks than asked gets the first of them.
  EXPECT_EQ(harness.Read(Read10(2, 18), 3 * 2048), std::vector(first.begin() + 2 * 2048, first.begin() + 5 * 2048));
  // Run-out blocks: an illegal mode, also at the end of a longer range.
  EXPECT_FALSE(harness.Read(Read10(20, 1), 2048));
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  EXPECT_FALSE(harness.Read(Read10(10, 11), 2048));
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  EXPECT_FALSE(harness.Read(Read10(third, 1), 2048));
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  EXPECT_FALSE(harness.Read(Read10(third + 200, 1), 2048));
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
}

TEST(BurningProgramCommands, SetStreamingChoosesTheWriteSpeedAndRemovalIsTaken) {
  RecorderHarness harness{DvdRecorderModel()};
  const auto streaming = [&harness](std::uint8_t type, std::uint32_t kilobytes, std::uint32_t milliseconds) {
    const cdb::Bytes command{0xB6, 0, 0, 0, 0, 0, 0, 0, type, 0, 28, 0};
    std::vector<std::uint8_t> descriptor(28, 0);
    for (int shift = 0; shift < 4; ++shift) {
      descriptor[23 - shift] = static_cast<std::uint8_t>(kilobytes >> (8 * shift));
      descriptor[27 - shift] = static_cast<std::uint8_t>(milliseconds >> (8 * shift));
    }
    return harness.SendOut(command, descriptor);
  };
  ASSERT_EQ(streaming(0, 6000, 1000), TransportResult::Good);
  EXPECT_EQ(harness.CurrentWriteSpeed(), 5540);
  ASSERT_EQ(streaming(0, 100, 1000), TransportResult::Good);
  EXPECT_EQ(harness.CurrentWriteSpeed(), 1385);
  EXPECT_EQ(streaming(0, 100, 0), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInParameterList);
  EXPECT_EQ(streaming(5, 100, 1000), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);

  EXPECT_EQ(harness.Send({0x1E, 0, 0, 0, 0x01, 0}), TransportResult::Good);
  EXPECT_EQ(harness.Send({0x1E, 0, 0, 0, 0x02, 0}), TransportResult::DeviceFailure);  // persistent prevention
}

// The ATIP of a blank CD-R: its maker's lead-in start and the last possible
// lead-out of its size; a DVD has none. BLANK makes a written CD-RW blank
// again, of the same size; a CD-R cannot be blanked.
TEST(BurningProgramCommands, AtipOfRecordableCdsAndBlankingOfRewritableOnes) {
  RecorderHarness cdr;
  const auto atip = cdr.Read(cdb::ReadToc(4, false, 28), 28);
  ASSERT_TRUE(atip);
  EXPECT_EQ(Be16(*atip, 0), 26);
  EXPECT_EQ((*atip)[6] & 0x40, 0);  // not erasable
  EXPECT_EQ((*atip)[8], 97);
  EXPECT_EQ((*atip)[9], 26);
  EXPECT_EQ((*atip)[10], 66);
  EXPECT_EQ((*atip)[12], 79);
  EXPECT_EQ((*atip)[13], 59);
  EXPECT_EQ((*atip)[14], 74);
  RecorderHarness dvd{DvdRecorderModel()};
  EXPECT_FALSE(dvd.Read(cdb::ReadToc(4, false, 28), 28));
  EXPECT_EQ(dvd.sense(), sense::kInvalidFieldInCdb);

  cdb::Bytes blank{0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // immediate, minimal
  EXPECT_EQ(cdr.Send(blank), TransportResult::DeviceFailure);
  EXPECT_EQ(cdr.sense(), sense::kIncompatibleMedium);

  RecorderHarness harness;
  ASSERT_TRUE(harness.recorder().InsertBlank(MediumKind::CdRw, 74).ok);
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 10, Pattern(10, 2048, 5)), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x10 | 0x0C | 0x02);  // erasable, closed
  ASSERT_EQ(harness.Send(blank), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[2], 0x10);  // erasable, blank
  EXPECT_EQ(Be32(harness.TrackInformation(1), 16), 332849u);  // a 74-minute disc's free blocks
  EXPECT_FALSE(harness.Read(Read10(0, 1), 2048));
  blank[1] = 0x02;  // blanking a track: not offered
  EXPECT_EQ(harness.Send(blank), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
