#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "drive/DiscInformation.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes DiscInformation(std::uint8_t state, std::uint8_t discType = 0) {
  Bytes response(32, 0);
  response[2] = state;
  response[8] = discType;
  return response;
}

TEST(DiscInformationStatusMask, TakesOneBitFromEveryGroup) {
  const std::tuple<std::uint8_t, std::uint8_t, std::uint32_t> cases[] = {
      {0x00, 0x00, 0x1 | 0x20 | 0x40 | 0x400},   // blank, not erasable, CD-DA/CD-ROM
      {0x01, 0x10, 0x2 | 0x20 | 0x40 | 0x800},   // appendable CD-I
      {0x16, 0x20, 0x4 | 0x10 | 0x80 | 0x1000},  // complete, erasable, session incomplete, XA
      {0x0B, 0xC1, 0x8 | 0x20 | 0x100},          // other status, reserved state, unknown type
      {0x1E, 0xFF, 0x4 | 0x10 | 0x200},          // complete session, no disc-type bit
  };
  for (const auto& [state, discType, mask] : cases)
    EXPECT_EQ(discinfo::StatusMask(DiscInformation(state, discType).data()), mask) << int(state);
}

using DiscQueries = RegistryWithOneDrive;

TEST_F(DiscQueries, DiscStateReadings) {
  // 05h: disc incomplete but its last session too: neither blank nor appendable.
  const std::tuple<std::uint8_t, bool, bool> cases[] = {{0x00, true, false}, {0x01, false, true},
                                                        {0x05, false, false}, {0x0E, false, false},
                                                        {0x11, false, true}, {0x1C, true, false}};
  for (const auto& [state, blank, appendable] : cases) {
    device->Reply(TransportResult::Good, DiscInformation(state));
    const DriveResult<DiscSummary> disc = drive->ReadDiscSummary();
    ASSERT_TRUE(disc.ok());
    EXPECT_EQ(disc->blank, blank) << int(state);
    EXPECT_EQ(disc->appendable, appendable) << int(state);
  }
}

TEST_F(DiscQueries, CountsAndCapacityFromDiscInformationOrTheFailure) {
  Bytes response = DiscInformation(0x0E, 0x20);
  response[4] = 0x02;   // sessions, low byte
  response[9] = 0x01;   // sessions, high byte
  response[6] = 0x05;   // last track in last session, low byte
  response[11] = 0x01;  // high byte
  response[21] = 79;
  response[22] = 59;
  response[23] = 74;
  auto result = TransportResult::Good;
  device->responder = [&](const RecordedCommand&) { return ScriptedReply{result, response}; };

  const DriveResult<DiscSummary> summary = drive->ReadDiscSummary();
  ASSERT_TRUE(summary.ok());
  EXPECT_EQ(summary->lastTrackNumber, 261);
  EXPECT_EQ(summary->capacityFrames, 359999);  // frames, offset not subtracted
  const DriveResult<DiscStatus> status = drive->GetDiscInfo();
  ASSERT_TRUE(status.ok());
  EXPECT_EQ(status->sessionCount, 258);
  EXPECT_EQ(status->lastTrackNumber, 261);
  EXPECT_EQ(status->statusMask, 0x4u | 0x20 | 0x200 | 0x1000);

  result = TransportResult::DeviceFailure;
  EXPECT_EQ(drive->ReadDiscSummary().outcome().result, TransportResult::DeviceFailure);
  EXPECT_EQ(drive->GetDiscInfo().outcome().result, TransportResult::DeviceFailure);
}

TEST_F(DiscQueries, CallersBuffersAreZeroedUpToTheRequestedLength) {
  Bytes buffer(300, 0xAA);
  device->Reply(TransportResult::Good, {1, 2, 3});
  ASSERT_TRUE(drive->ReadToc({buffer.data(), 200}).ok());
  Bytes expected(300, 0xAA);
  std::fill_n(expected.begin(), 200, 0);
  std::copy_n(Bytes{1, 2, 3}.begin(), 3, expected.begin());
  EXPECT_EQ(buffer, expected);

  buffer.assign(300, 0xAA);
  device->Reply(TransportResult::DeviceFailure);
  EXPECT_EQ(drive->ModeSense(0x2A, buffer).outcome().result, TransportResult::DeviceFailure);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 255), Bytes(255, 0));  // 8-bit length
  EXPECT_EQ(buffer[255], 0xAA);
}

}  // namespace
}  // namespace brenmark::testing
