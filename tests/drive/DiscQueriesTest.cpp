#include <gtest/gtest.h>

#include <string>
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
  struct Case {
    std::uint8_t state;
    std::uint8_t discType;
    std::uint32_t mask;
  };
  const Case cases[] = {
      {0x00, 0x00, 0x1 | 0x20 | 0x40 | 0x400},    // blank, not erasable, CD-DA/CD-ROM
      {0x01, 0x10, 0x2 | 0x20 | 0x40 | 0x800},    // appendable CD-I
      {0x16, 0x20, 0x4 | 0x10 | 0x80 | 0x1000},   // complete, erasable, session incomplete, XA
      {0x0B, 0xC1, 0x8 | 0x20 | 0x100},           // other status, reserved state, unknown type
      {0x1E, 0xFF, 0x4 | 0x10 | 0x200},           // complete session, no disc-type bit
  };
  for (const Case& c : cases) {
    EXPECT_EQ(discinfo::StatusMask(DiscInformation(c.state, c.discType).data()), c.mask)
        << "state " << int(c.state);
  }
}

using DiscQueries = RegistryWithOneDrive;

TEST_F(DiscQueries, DiscStateReadings) {
  struct Case {
    std::uint8_t state;
    bool blank;
    bool appendable;
  };
  // 05h: disc incomplete but its last session too: neither blank nor appendable.
  const Case cases[] = {{0x00, true, false}, {0x01, false, true}, {0x05, false, false},
                        {0x0E, false, false}, {0x11, false, true}, {0x1C, true, false}};
  for (const Case& c : cases) {
    device->Reply(TransportResult::Good, DiscInformation(c.state));
    EXPECT_EQ(registry->IsDiscBlank(0), c.blank) << int(c.state);
    device->Reply(TransportResult::Good, DiscInformation(c.state));
    EXPECT_EQ(registry->IsDiscAppendable(0), c.appendable) << int(c.state);
  }
}

TEST_F(DiscQueries, FailedDiscInformationGivesFalseAndZero) {
  device->responder = [](const RecordedCommand&) {
    return ScriptedReply{TransportResult::DeviceFailure, DiscInformation(0x00)};
  };
  EXPECT_FALSE(registry->IsMediaPresent(0));
  EXPECT_FALSE(registry->IsDiscBlank(0));
  EXPECT_FALSE(registry->IsDiscAppendable(0));
  EXPECT_EQ(registry->GetLastTrackNumber(0), 0);
  EXPECT_EQ(registry->GetDiscCapacity(0), 0);
  std::int32_t sessions = 7, lastTrack = 7;
  std::uint32_t mask = 7;
  EXPECT_FALSE(registry->GetDiscInfo(0, &sessions, &lastTrack, &mask));
  EXPECT_EQ(sessions, 0);
  EXPECT_EQ(lastTrack, 0);
  EXPECT_EQ(mask, 0u);
}

TEST_F(DiscQueries, CountsAndCapacityFromDiscInformation) {
  Bytes response = DiscInformation(0x0E, 0x20);
  response[4] = 0x02;   // sessions, low byte
  response[9] = 0x01;   // sessions, high byte
  response[6] = 0x05;   // last track in last session, low byte
  response[11] = 0x01;  // high byte
  response[21] = 79;
  response[22] = 59;
  response[23] = 74;
  device->responder = [&](const RecordedCommand&) {
    return ScriptedReply{TransportResult::Good, response};
  };

  EXPECT_TRUE(registry->IsMediaPresent(0));
  EXPECT_EQ(registry->GetLastTrackNumber(0), 261);
  EXPECT_EQ(registry->GetDiscCapacity(0), 359999);  // frames, offset not subtracted
  std::int32_t sessions = 0, lastTrack = 0;
  std::uint32_t mask = 0;
  ASSERT_TRUE(registry->GetDiscInfo(0, &sessions, &lastTrack, &mask));
  EXPECT_EQ(sessions, 258);
  EXPECT_EQ(lastTrack, 261);
  EXPECT_EQ(mask, 0x4u | 0x20 | 0x200 | 0x1000);
}

TEST_F(DiscQueries, ReadCapacityGivesTheLastBlockAddress) {
  device->Reply(TransportResult::Good, {0x00, 0x00, 0x03, 0xE7, 0x00, 0x00, 0x08, 0x00});
  EXPECT_EQ(registry->ReadCapacity(0), 999);
  device->Reply(TransportResult::DeviceFailure, {0x00, 0x00, 0x03, 0xE7});
  EXPECT_EQ(registry->ReadCapacity(0), 0);
}

TEST_F(DiscQueries, TrackStartAddress) {
  Bytes trackInfo(28, 0);
  trackInfo[8] = 0x00;
  trackInfo[9] = 0x01;
  trackInfo[10] = 0x23;
  trackInfo[11] = 0x45;
  device->Reply(TransportResult::Good, trackInfo);
  EXPECT_EQ(registry->GetTrackStartAddress(0, 2), 0x12345);
  device->Reply(TransportResult::DeviceFailure, trackInfo);
  EXPECT_EQ(registry->GetTrackStartAddress(0, 2), 0);
}

TEST_F(DiscQueries, InquiryJoinsVendorAndProductKeepingTheirBlanks) {
  Bytes response(100, 0);
  const std::string vendor = "ACME    ", product = "Writer 52x      ", revision = "1.00";
  std::copy(vendor.begin(), vendor.end(), response.begin() + 8);
  std::copy(product.begin(), product.end(), response.begin() + 16);
  std::copy(revision.begin(), revision.end(), response.begin() + 32);
  device->Reply(TransportResult::Good, response);
  std::string model = "stale";
  ASSERT_TRUE(registry->Inquiry(0, model));
  EXPECT_EQ(model, "ACME     Writer 52x      ");

  device->Reply(TransportResult::DeviceFailure, response);
  EXPECT_FALSE(registry->Inquiry(0, model));
  EXPECT_EQ(model, "");
}

TEST_F(DiscQueries, CallersBuffersAreZeroedBeforeTheCommand) {
  Bytes buffer(300, 0xAA);
  device->Reply(TransportResult::Good, {1, 2, 3});
  ASSERT_TRUE(registry->ReadToc(0, 200, buffer.data()));
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(Bytes(buffer.begin() + 3, buffer.begin() + 200), Bytes(197, 0));
  EXPECT_EQ(buffer[200], 0xAA);

  buffer.assign(300, 0xAA);
  device->Reply(TransportResult::DeviceFailure);
  EXPECT_EQ(registry->ModeSense(0, 0x2A, 0x1FF, buffer.data()), 4);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 255), Bytes(255, 0));  // 8-bit length
  EXPECT_EQ(buffer[255], 0xAA);

  buffer.assign(300, 0xAA);
  device->Reply(TransportResult::Good, {9});
  ASSERT_EQ(registry->ReadSectors(0, 0, 1, buffer.data(), 100, 0x10), 0);
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(Bytes(buffer.begin() + 1, buffer.begin() + 100), Bytes(99, 0));
  EXPECT_EQ(buffer[100], 0xAA);
}

}  // namespace
}  // namespace brenmark::testing
