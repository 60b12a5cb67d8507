#include <gtest/gtest.h>

#include <string>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

TEST(RecorderCommands, GetConfigurationStartsAtCoreWithTheInterfaceStandard) {
  RecorderHarness harness;
  auto cdb = cdb::Simple(0x46, 10);
  cdb[3] = 0x01;
  cdb[8] = 100;
  const auto data = harness.Read(cdb, 100);
  ASSERT_TRUE(data);
  EXPECT_EQ(Be16(*data, 6), 0x0009);  // CD-R
  EXPECT_EQ(Be16(*data, 8), 0x0001);  // Core first
  EXPECT_EQ(Be32(*data, 12), 2u);     // ATAPI

  // A CD recorder knows no DVD: neither DVD Read nor DVD-R Write, nor a DVD
  // profile; the DVD recorder offers both, not current with a CD-R in the tray.
  cdb[1] = 0x02;  // only the starting feature
  RecorderHarness dvd(DvdRecorderModel());
  ASSERT_EQ(dvd.recorder().InsertBlank(MediumKind::CdR).ok, true);
  for (const std::uint8_t feature : {0x1F, 0x2F}) {
    cdb[3] = feature;
    const auto cdAnswer = harness.Read(cdb, 100);
    ASSERT_TRUE(cdAnswer);
    EXPECT_EQ(Be32(*cdAnswer, 0), 4u) << int{feature};
    const auto dvdAnswer = dvd.Read(cdb, 100);
    ASSERT_TRUE(dvdAnswer);
    EXPECT_EQ(Be32(*dvdAnswer, 0), 4u + 8u) << int{feature};
    EXPECT_EQ((*dvdAnswer)[10] & 0x01, 0) << int{feature};
  }
  cdb[1] = 0x00;
  cdb[3] = 0x00;
  const auto profiles = harness.Read(cdb, 100);
  ASSERT_TRUE(profiles);
  const std::size_t listLength = (*profiles)[11];
  for (std::size_t at = 12; at < 12 + listLength; at += 4) EXPECT_LT(Be16(*profiles, at), 0x0010) << at;
}

TEST(RecorderCommands, UnknownOpcodesAndShortBlocksAreIllegalRequests) {
  RecorderHarness harness;
  EXPECT_EQ(harness.Send(cdb::Simple(0xEE, 10)), TransportResult::DeviceFailure);  // vendor specific
  EXPECT_EQ(harness.sense(), sense::kInvalidOpcode);
  EXPECT_EQ(harness.Send(cdb::Simple(0xA2, 12)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidOpcode);
  // A READ CD block cut to ten bytes.
  EXPECT_EQ(harness.Send(cdb::Bytes{0xBE, 0, 0, 0, 0, 0, 0, 0, 1, 0x10}), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInCdb);
  // Nothing to deliver at all.
  EXPECT_EQ(harness.Send(cdb::Bytes{}), TransportResult::TransportFailure);
  EXPECT_EQ(harness.Send(cdb::Simple(0x12, 6), DataDirection::In, nullptr, 36), TransportResult::TransportFailure);
}

// Blank discs as the reports and the jobs do not read them: the invisible
// track by its number, a track beyond it, an erasable blank, and a response
// cut by its allocation length.
TEST(RecorderCommands, BlankDiscQueriesTheJobsDoNotMake) {
  RecorderHarness cd;
  EXPECT_EQ(cd.TrackInformation(0xFF), cd.TrackInformation(1));
  EXPECT_FALSE(cd.Read(cdb::ReadTrackInformation(1, 2), 48));
  EXPECT_EQ(cd.sense(), sense::kInvalidFieldInCdb);
  EXPECT_FALSE(MediumNamed("cd"));
  ASSERT_EQ(cd.recorder().InsertBlank(MediumNamed("cd-rw").value()).ok, true);
  EXPECT_EQ(cd.DiscInformation()[2], 0x10);

  // The allocation length cuts the response.
  std::vector<std::uint8_t> buffer(34, 0xAB);
  ASSERT_EQ(cd.Send({0x51, 0, 0, 0, 0, 0, 0, 0, 4, 0}, DataDirection::In, buffer.data(), 34), TransportResult::Good);
  EXPECT_EQ(Be16(buffer, 0), 32);
  EXPECT_EQ(buffer[4], 0xAB);  // beyond the allocation length: untouched
}

TEST(RecorderCommands, WriteParametersPageRoundTripsAndRefusesNonsense) {
  RecorderHarness harness;
  WriteSetup setup{.dataBlockType = 13, .multiSession = 3, .sessionFormat = 0x20, .subheader = {1, 1, 0x62, 0x0F}};
  ASSERT_EQ(harness.SetWriteParameters(setup), TransportResult::Good);
  const auto page = harness.Read(cdb::ModeSense(0x05, 64), 64);
  ASSERT_TRUE(page);
  EXPECT_EQ((*page)[8], 0x05);
  EXPECT_EQ((*page)[8 + 4], 13);
  EXPECT_EQ((*page)[8 + 3] >> 6, 3);
  EXPECT_EQ((*page)[8 + 8], 0x20);
  EXPECT_EQ((*page)[8 + 50], 0x62);

  setup.dataBlockType = 7;  // reserved
  EXPECT_EQ(harness.SetWriteParameters(setup), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kInvalidFieldInParameterList);
  setup.dataBlockType = 8;
  setup.sessionFormat = 0x30;
  EXPECT_EQ(harness.SetWriteParameters(setup), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.Read(cdb::ModeSense(0x05, 64), 64).value()[8 + 4], 13);  // unchanged

  EXPECT_FALSE(harness.Read(cdb::ModeSense(0x05 | 0xC0, 64), 64));  // saved values
  EXPECT_EQ(harness.sense(), sense::kSavingParametersNotSupported);
  EXPECT_FALSE(harness.Read(cdb::ModeSense(0x0E, 64), 64));

  // MODE SELECT takes the list length of the block, not the transfer: hosts
  // send a 64-byte buffer with a parameter list length of 60.
  std::vector<std::uint8_t> list(64, 0);
  list[8] = 0x05;
  list[9] = 0x32;
  list[10] = 0x01;
  list[12] = 0x00;  // raw 2352
  list[63] = 0xEE;  // beyond the list: ignored
  EXPECT_EQ(harness.SendOut(cdb::ModeSelect(60), list), TransportResult::Good);
  EXPECT_EQ(harness.SendOut(cdb::ModeSelect(80), list), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.SendOut(cdb::ModeSelect(4), list), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kParameterListLengthError);
}

TEST(RecorderCommands, SetSpeedPicksTheFastestSpeedNotAboveTheRequest) {
  RecorderHarness harness;
  auto cdb = cdb::Simple(0xBB, 12);
  cdb[2] = cdb[3] = 0xFF;
  cdb::Put16(cdb, 4, 3000);
  ASSERT_EQ(harness.Send(cdb), TransportResult::Good);
  EXPECT_EQ(harness.CurrentWriteSpeed(), 2822);
  cdb::Put16(cdb, 4, 0xFFFF);
  ASSERT_EQ(harness.Send(cdb), TransportResult::Good);
  EXPECT_EQ(harness.CurrentWriteSpeed(), 8467);
  cdb[1] = 0x03;
  EXPECT_EQ(harness.Send(cdb), TransportResult::DeviceFailure);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
