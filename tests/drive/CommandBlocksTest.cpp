#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tests/drive/RegistryFixture.h"
#include "tests/support/Bytes.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Call = std::function<void(DriveRegistry&, std::uint8_t* buffer)>;

struct CommandCase {
  std::string name;
  Call call;
  Bytes cdb;
  DataDirection direction;
  std::uint32_t length, timeoutSeconds;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

// The commands whose blocks encode their arguments: addresses, lengths, speeds, numbers.
std::vector<CommandCase> EncodedCommands() {
  constexpr auto In = DataDirection::In, Out = DataDirection::Out, None = DataDirection::None;
  return {
      {"GetTrackStartAddress", [](auto& r, auto) { r.GetTrackStartAddress(0, 0x105); },
       {0x52, 0x01, 0, 0, 0, 0x05, 0, 0x00, 0x1C, 0}, In, 28, 10},
      {"ReadToc", [](auto& r, auto b) { r.ReadToc(0, 0x1234, b); },
       {0x43, 0x02, 0x02, 0, 0, 0, 0, 0x12, 0x34, 0}, In, 0x1234, 20},
      {"ModeSense", [](auto& r, auto b) { r.ModeSense(0, 0x05, 0x140, b); },
       {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 0x40, 0}, In, 0x40, 10},
      {"SetWriteParameters",
       [](auto& r, auto b) { r.SetWriteParameters(0, 64, b, 1, 1, 0, 8, 0xC0, 4, nullptr); },
       {0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x3C, 0}, Out, 64, 10},
      {"SetSpeed", [](auto& r, auto) { r.SetSpeed(0, 0x12B0C, 0x101); },
       {0xBB, 0x01, 0xFF, 0xFF, 0x2B, 0x0C, 0, 0, 0, 0, 0, 0}, None, 32, 600},
      {"ReserveTrack", [](auto& r, auto) { r.ReserveTrack(0, 0x01020304); },
       {0x53, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0}, In, 32, 10},
      {"CloseTrack", [](auto& r, auto) { r.CloseTrack(0, 0x203); },
       {0x5B, 0, 0x01, 0, 0, 0x03, 0, 0, 0, 0}, None, 32, 60},
      {"ReadSectors", [](auto& r, auto b) { r.ReadSectors(0, -150, 0x02, b, 2352, 0x10); },
       {0xBE, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 0x02, 0x10, 0, 0}, In, 2 * 2352, 10},
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

INSTANTIATE_TEST_SUITE_P(EveryOperation, CommandBlocks, ::testing::ValuesIn(EncodedCommands()),
                         [](const auto& info) { return info.param.name; });

using WriteCommands = RegistryWithOneDrive;

TEST_F(WriteCommands, WritesSendTheBlockCountAndTheCallersData) {
  const Bytes data = testsupport::Pattern(16, 2048, 1);
  ASSERT_EQ(registry->WriteSectors(0, 0x00012345, 16, 2048, data.data()), 0);
  ASSERT_EQ(registry->WriteSectors12(0, -2, 0x10, 2048, data.data()), 0);

  ASSERT_EQ(device->Opcodes(), (Bytes{0x5C, 0x2A, 0x5C, 0xAA}));
  const RecordedCommand& write10 = device->commands[1];
  EXPECT_EQ(write10.cdb, (Bytes{0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 16, 0}));
  EXPECT_EQ(write10.direction, DataDirection::Out);
  EXPECT_EQ(write10.timeoutSeconds, 10u);
  EXPECT_EQ(write10.dataOut, data);
  const RecordedCommand& write12 = device->commands[3];
  EXPECT_EQ(write12.cdb, (Bytes{0xAA, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 0x10, 0x80, 0}));
  EXPECT_EQ(write12.dataOut, data);
}

TEST_F(WriteCommands, WriteParametersPageIsPlacedBehindTheModeHeader) {
  std::array<std::uint8_t, 64> buffer;
  buffer.fill(0xEE);
  const std::uint8_t subheader[4] = {0x00, 0x00, 0x08, 0x00};
  // BUFE, LS_V, Test Write, FP and Copy all set.
  ASSERT_EQ(registry->SetWriteParameters(0, 64, buffer.data(), 0x1F, 0x01, 0x20, 10, 0xC0, 4,
                                         subheader),
            0);
  Bytes expected(64, 0xEE);  // header and unset page bytes are sent as the caller left them
  const Bytes page{0x05, 0x32, 0x71, 0xF4, 10, 0, 0, 0, 0x20, 0, 0, 0, 0, 0x20, 0x00, 0x96, 0};
  std::copy(page.begin(), page.end(), expected.begin() + 8);
  std::copy(subheader, subheader + 4, expected.begin() + 56);
  EXPECT_EQ(OnlyCommand().dataOut, expected);
}

}  // namespace
}  // namespace brenmark::testing
