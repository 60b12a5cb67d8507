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
using Call = std::function<void(DriveHandle&, std::uint8_t* buffer)>;

struct CommandCase {
  std::string name;
  Call call;
  Bytes cdb;
  DataDirection direction;
  std::uint32_t length;
};

void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

// The commands whose blocks encode their arguments: addresses, lengths, speeds,
// numbers. (The time-outs the transports give them are in CommandTimeoutsTest.)
std::vector<CommandCase> EncodedCommands() {
  constexpr auto In = DataDirection::In, Out = DataDirection::Out, None = DataDirection::None;
  return {
      {"ReadTrackInformation", [](auto& d, auto) { (void)d.ReadTrackInformation(0x105); },
       {0x52, 0x01, 0, 0, 0, 0x05, 0, 0x00, 0x1C, 0}, In, 28},
      {"ReadToc", [](auto& d, auto b) { (void)d.ReadToc({b, 0x1234}); },
       {0x43, 0x02, 0x02, 0, 0, 0, 0, 0x12, 0x34, 0}, In, 0x1234},
      {"ModeSense", [](auto& d, auto b) { (void)d.ModeSense(0x05, {b, 0x40}); },
       {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 0x40, 0}, In, 0x40},
      {"SetWriteParameters",
       [](auto& d, auto b) { WriteMode mode;
         mode.multiSessionBits = 0xC0;
         (void)d.SetWriteParameters({b, 64}, mode); },
       {0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x3C, 0}, Out, 64},
      {"SetSpeed", [](auto& d, auto) { (void)d.SetSpeed(0x12B0C, 0x101); },
       {0xBB, 0x01, 0xFF, 0xFF, 0x2B, 0x0C, 0, 0, 0, 0, 0, 0}, None, 32},
      {"ReserveTrack", [](auto& d, auto) { (void)d.ReserveTrack(0x01020304); },
       {0x53, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0}, In, 32},
      {"SendCueSheet", [](auto& d, auto b) { (void)d.SendCueSheet({b, 0x10208}); },
       {0x5D, 0, 0, 0, 0, 0, 0x01, 0x02, 0x08, 0}, Out, 0x10208},
      {"CloseTrack", [](auto& d, auto) { (void)d.CloseTrack(0x203); },
       {0x5B, 0, 0x01, 0, 0, 0x03, 0, 0, 0, 0}, None, 32},
      {"ReadSectors", [](auto& d, auto b) { (void)d.ReadSectors(-150, 0x02, b, 2352, 0x10); },
       {0xBE, 0, 0xFF, 0xFF, 0xFF, 0x6A, 0, 0, 0x02, 0x10, 0, 0}, In, 2 * 2352},
  };
}

class CommandBlocks : public RegistryWithOneDrive,
                      public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandBlocks, SendsTheCommandBlockWithItsDirectionAndLength) {
  const CommandCase& expected = GetParam();
  std::vector<std::uint8_t> buffer(0x10208);  // the longest transfer of the table
  expected.call(*drive, buffer.data());
  const RecordedCommand& sent = OnlyCommand();
  EXPECT_EQ(sent.cdb, expected.cdb);
  EXPECT_EQ(sent.direction, expected.direction);
  EXPECT_EQ(sent.length, expected.length);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, CommandBlocks, ::testing::ValuesIn(EncodedCommands()),
                         [](const auto& info) { return info.param.name; });

using WriteCommands = RegistryWithOneDrive;

TEST_F(WriteCommands, WritesSendTheBlockCountAndTheCallersData) {
  const Bytes data = testsupport::Pattern(16, 2048, 1);
  ASSERT_TRUE(drive->WriteSectors(0x00012345, 16, 2048, data.data()).ok());
  ASSERT_TRUE(drive->WriteSectors12(-2, 0x10, 2048, data.data()).ok());

  ASSERT_EQ(device->Opcodes(), (Bytes{0x5C, 0x2A, 0x5C, 0xAA}));
  const RecordedCommand& write10 = device->commands[1];
  EXPECT_EQ(write10.cdb, (Bytes{0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 16, 0}));
  EXPECT_EQ(write10.direction, DataDirection::Out);
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
  WriteMode mode;
  mode.flags = 0x1F;
  mode.sessionFormat = 0x20;
  mode.dataBlockType = 10;
  mode.multiSessionBits = 0xC0;
  mode.subheader = {subheader[0], subheader[1], subheader[2], subheader[3]};
  ASSERT_TRUE(drive->SetWriteParameters(buffer, mode).ok());
  Bytes expected(64, 0xEE);  // header and unset page bytes are sent as the caller left them
  const Bytes page{0x05, 0x32, 0x71, 0xF4, 10, 0, 0, 0, 0x20, 0, 0, 0, 0, 0x20, 0x00, 0x96, 0};
  std::copy(page.begin(), page.end(), expected.begin() + 8);
  std::copy(subheader, subheader + 4, expected.begin() + 56);
  EXPECT_EQ(OnlyCommand().dataOut, expected);
}

}  // namespace
}  // namespace brenmark::testing
