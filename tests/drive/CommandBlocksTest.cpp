#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CommandCase {
  std::string name;
  std::function<void(DriveRegistry&, std::uint8_t* buffer)> call;
  Bytes cdb;
  DataDirection direction;
  std::uint32_t length;
  std::uint32_t timeoutSeconds;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

std::vector<CommandCase> AllCommands() {
  return {
      {"EjectDisc", [](DriveRegistry& r, std::uint8_t*) { r.EjectDisc(0); },
       {0x1B, 0, 0, 0, 0x02, 0}, DataDirection::In, 32, 10},
      {"Inquiry", [](DriveRegistry& r, std::uint8_t*) { std::string t; r.Inquiry(0, t); },
       {0x12, 0, 0, 0, 0x64, 0}, DataDirection::In, 100, 10},
      {"GetConfiguration", [](DriveRegistry& r, std::uint8_t*) { r.GetConfiguration(0); },
       {0x46, 0, 0x00, 0x01, 0, 0, 0, 0x00, 0x64, 0}, DataDirection::In, 100, 10},
      {"IsMediaPresent", [](DriveRegistry& r, std::uint8_t*) { r.IsMediaPresent(0); },
       {0x51, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0}, DataDirection::In, 32, 10},
      {"GetDiscInfo",
       [](DriveRegistry& r, std::uint8_t*) {
         std::int32_t s, t;
         std::uint32_t m;
         r.GetDiscInfo(0, &s, &t, &m);
       },
       {0x51, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0}, DataDirection::In, 256, 10},
      {"GetTrackStartAddress",
       [](DriveRegistry& r, std::uint8_t*) { r.GetTrackStartAddress(0, 0x105); },
       {0x52, 0x01, 0, 0, 0, 0x05, 0, 0x00, 0x1C, 0}, DataDirection::In, 28, 10},
      {"ReadToc", [](DriveRegistry& r, std::uint8_t* b) { r.ReadToc(0, 0x1234, b); },
       {0x43, 0x02, 0x02, 0, 0, 0, 0, 0x12, 0x34, 0}, DataDirection::In, 0x1234, 20},
      {"ReadSessions", [](DriveRegistry& r, std::uint8_t*) { r.ReadSessions(0); },
       {0x43, 0x02, 0x02, 0, 0, 0, 0, 0x04, 0xB0, 0}, DataDirection::In, 1200, 20},
      {"ReadCapacity", [](DriveRegistry& r, std::uint8_t*) { r.ReadCapacity(0); },
       {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::In, 32, 10},
      {"ModeSense", [](DriveRegistry& r, std::uint8_t* b) { r.ModeSense(0, 0x05, 0x140, b); },
       {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 0x40, 0}, DataDirection::In, 0x40, 10},
      {"SetWriteParameters",
       [](DriveRegistry& r, std::uint8_t* b) {
         r.SetWriteParameters(0, 64, b, 1, 1, 0, 8, 0xC0, 4, nullptr);
       },
       {0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x3C, 0}, DataDirection::Out, 64, 10},
      {"SetSpeed", [](DriveRegistry& r, std::uint8_t*) { r.SetSpeed(0, 0x12B0C, 0x101); },
       {0xBB, 0x01, 0xFF, 0xFF, 0x2B, 0x0C, 0, 0, 0, 0, 0, 0}, DataDirection::None, 32, 600},
      {"ReserveTrack", [](DriveRegistry& r, std::uint8_t*) { r.ReserveTrack(0, 0x01020304); },
       {0x53, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0}, DataDirection::In, 32, 10},
      {"SynchronizeCache", [](DriveRegistry& r, std::uint8_t*) { r.SynchronizeCache(0); },
       {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::None, 32, 6000},
      {"CloseTrack", [](DriveRegistry& r, std::uint8_t*) { r.CloseTrack(0, 0x203); },
       {0x5B, 0, 0x01, 0, 0, 0x03, 0, 0, 0, 0}, DataDirection::None, 32, 60},
      {"CloseSession", [](DriveRegistry& r, std::uint8_t*) { r.CloseSession(0); },
       {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}, DataDirection::None, 32, 600},
      {"ReadSectors",
       [](DriveRegistry& r, std::uint8_t* b) { r.ReadSectors(0, -150, 0x102, b, 2352, 0x10); },
       {0xBE, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 0x02, 0x10, 0, 0}, DataDirection::In, 2 * 2352, 10},
      {"ReadBufferCapacity",
       [](DriveRegistry& r, std::uint8_t*) { r.ReadBufferCapacity(0, nullptr, nullptr); },
       {0x5C, 0, 0, 0, 0, 0, 0, 0x00, 0x0C, 0}, DataDirection::In, 36, 10},
  };
}

class CommandBlocks : public RegistryWithOneDrive,
                      public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandBlocks, SendsTheCommandBlockWithItsTransportParameters) {
  const CommandCase& expected = GetParam();
  std::vector<std::uint8_t> buffer(0x10000);
  expected.call(*registry, buffer.data());

  const RecordedCommand& sent = OnlyCommand();
  EXPECT_EQ(sent.cdb, expected.cdb);
  EXPECT_EQ(sent.direction, expected.direction);
  EXPECT_EQ(sent.length, expected.length);
  EXPECT_EQ(sent.timeoutSeconds, expected.timeoutSeconds);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, CommandBlocks, ::testing::ValuesIn(AllCommands()),
                         [](const auto& info) { return info.param.name; });

using WriteCommands = RegistryWithOneDrive;

TEST_F(WriteCommands, WritesSendTheBlockCountAndTheCallersData) {
  std::vector<std::uint8_t> data(16 * 2048);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);

  ASSERT_EQ(registry->WriteSectors(0, 0x00012345, 16, 2048, data.data()), 0);
  ASSERT_EQ(registry->WriteSectors12(0, -2, 0x110, 2048, data.data()), 0);

  ASSERT_EQ(device->Opcodes(), (Bytes{0x5C, 0x2A, 0x5C, 0xAA}));
  const RecordedCommand& write10 = device->commands[1];
  EXPECT_EQ(write10.cdb, (Bytes{0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 16, 0}));
  EXPECT_EQ(write10.direction, DataDirection::Out);
  EXPECT_EQ(write10.timeoutSeconds, 10u);
  EXPECT_EQ(write10.dataOut, data);

  const RecordedCommand& write12 = device->commands[3];
  EXPECT_EQ(write12.cdb, (Bytes{0xAA, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 0x10, 0x80, 0}));
  EXPECT_EQ(write12.length, 16u * 2048);  // only the low 8 bits of the count are used
  EXPECT_EQ(write12.dataOut, Bytes(data.begin(), data.begin() + 16 * 2048));
}

TEST_F(WriteCommands, WriteParametersPageIsPlacedBehindTheModeHeader) {
  std::array<std::uint8_t, 64> buffer;
  buffer.fill(0xEE);
  const std::uint8_t subheader[4] = {0x00, 0x00, 0x08, 0x00};
  // BUFE, LS_V, Test Write, FP and Copy all set.
  ASSERT_EQ(registry->SetWriteParameters(0, 64, buffer.data(), 0x1F, 0x01, 0x20, 10, 0xC0, 4,
                                         subheader),
            0);

  const Bytes& sent = OnlyCommand().dataOut;
  ASSERT_EQ(sent.size(), 64u);
  const Bytes header(sent.begin(), sent.begin() + 8);
  EXPECT_EQ(header, Bytes(8, 0xEE));  // sent as the caller left it
  const Bytes pageStart(sent.begin() + 8, sent.begin() + 8 + 17);
  EXPECT_EQ(pageStart, (Bytes{0x05, 0x32, 0x71, 0xF4, 10, 0, 0, 0, 0x20, 0, 0, 0, 0, 0x20, 0x00,
                              0x96, 0}));
  EXPECT_EQ(Bytes(sent.begin() + 25, sent.begin() + 56), Bytes(31, 0xEE));  // page bytes 17-47
  EXPECT_EQ(Bytes(sent.begin() + 56, sent.begin() + 60), (Bytes{0x00, 0x00, 0x08, 0x00}));
  EXPECT_EQ(Bytes(sent.begin() + 60, sent.end()), Bytes(4, 0xEE));

  device->commands.clear();
  buffer.fill(0xEE);
  ASSERT_EQ(registry->SetWriteParameters(0, 64, buffer.data(), 0, 2, 0, 8, 0, 4, nullptr), 0);
  EXPECT_EQ(OnlyCommand().dataOut[10], 0x02);
  EXPECT_EQ(OnlyCommand().dataOut[11], 0x04);
  EXPECT_EQ(Bytes(buffer.begin() + 56, buffer.begin() + 60), Bytes(4, 0xEE));  // no subheader
}

TEST_F(WriteCommands, FailureCodesFollowTheResultClass) {
  std::array<std::uint8_t, 64> buffer{};
  struct Expectation {
    std::function<int()> call;
    int transportCode;
    int deviceCode;
  };
  const Expectation expectations[] = {
      {[&] { return registry->ModeSense(0, 5, 64, buffer.data()); }, 3, 4},
      {[&] { return registry->ReserveTrack(0, 100); }, 3, 4},
      {[&] {
         return registry->SetWriteParameters(0, 64, buffer.data(), 1, 1, 0, 0, 0, 0, nullptr);
       },
       3, 5},
      {[&] { return registry->SetSpeed(0, 1764, 0); }, 1, 2},
      {[&] { return registry->CloseTrack(0, 1); }, 1, 2},
      {[&] { return registry->CloseSession(0); }, 1, 2},
  };
  for (const Expectation& e : expectations) {
    device->Reply(TransportResult::TransportFailure);
    EXPECT_EQ(e.call(), e.transportCode);
    device->Reply(TransportResult::DeviceFailure);
    EXPECT_EQ(e.call(), e.deviceCode);
    EXPECT_EQ(e.call(), 0);
  }
}

}  // namespace
}  // namespace brenmark::testing
