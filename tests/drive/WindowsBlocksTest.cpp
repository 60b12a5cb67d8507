#include <gtest/gtest.h>

#include <vector>

#include "drive/windows/AspiRequestBlocks.h"
#include "drive/windows/PassThroughBlock.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes AsBytes(const std::array<std::uint8_t, N>& block) {
  return Bytes(block.begin(), block.end());
}

TEST(AspiRequestBlocks, ExecScsiCmdLayout) {
  const std::uint8_t cdb[10] = {0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x10, 0};
  const ScsiRequest write{cdb, 10, DataDirection::Out, nullptr, 0x9300, 10};
  Bytes expected(80, 0);
  expected[0] = 2;
  expected[2] = 3;                                                          // adapter
  expected[3] = 0x50;                                                       // data out
  expected[8] = 4;                                                          // target
  expected[9] = 0;                                                          // LUN
  expected[12] = 0x00; expected[13] = 0x93; expected[14] = 0; expected[15] = 0;  // length
  expected[16] = 0x78; expected[17] = 0x56; expected[18] = 0x34; expected[19] = 0x12;
  expected[20] = 14;
  expected[21] = 10;
  expected[24] = 0xEF; expected[25] = 0xBE; expected[26] = 0xAD; expected[27] = 0xDE;
  std::copy(cdb, cdb + 10, expected.begin() + 48);
  EXPECT_EQ(AsBytes(windows::BuildExecScsiCmd(3, 4, 0, write, 0x12345678, 0xDEADBEEF)), expected);

  const std::uint8_t sync[10] = {0x35};
  const ScsiRequest none{sync, 10, DataDirection::None, nullptr, 32, 6000};
  EXPECT_EQ(windows::BuildExecScsiCmd(0, 0, 0, none, 0, 0)[3], 0x40);
  const ScsiRequest in{sync, 10, DataDirection::In, nullptr, 32, 10};
  EXPECT_EQ(windows::BuildExecScsiCmd(0, 0, 0, in, 0, 0)[3], 0x48);
}

TEST(AspiRequestBlocks, GetDeviceTypeLayoutAndAnswer) {
  windows::GetDeviceTypeBlock block = windows::BuildGetDeviceType(2, 254);
  EXPECT_EQ(AsBytes(block), (Bytes{1, 0, 2, 0, 0, 0, 0, 0, 254, 0, 0, 0}));
  EXPECT_FALSE(windows::IsCdRomDevice(block));
  block[1] = 1;
  block[10] = 5;
  EXPECT_TRUE(windows::IsCdRomDevice(block));
  block[10] = 0;  // a disk
  EXPECT_FALSE(windows::IsCdRomDevice(block));
}

TEST(PassThroughBlock, Layout) {
  const std::uint8_t cdb[12] = {0xBE, 0, 0, 0, 0x10, 0, 0, 0, 1, 0x10, 0, 0};
  const ScsiRequest read{cdb, 12, DataDirection::In, nullptr, 2352, 10};
  Bytes expected(80, 0);
  expected[0] = 44;
  expected[6] = 12;
  expected[7] = 24;
  expected[8] = 1;
  expected[12] = 0x30; expected[13] = 0x09;      // 2352
  expected[16] = 10;                              // seconds
  expected[20] = 0x00; expected[21] = 0x10; expected[22] = 0x40; expected[23] = 0x00;
  expected[24] = 48;
  std::copy(cdb, cdb + 12, expected.begin() + 28);
  EXPECT_EQ(AsBytes(windows::BuildPassThroughDirect(0, 0, 0, read, 0x00401000)), expected);

  const windows::PassThroughBlock addressed = windows::BuildPassThroughDirect(1, 2, 3, read, 0);
  EXPECT_EQ(addressed[3], 1);
  EXPECT_EQ(addressed[4], 2);
  EXPECT_EQ(addressed[5], 3);
}

TEST(PassThroughBlock, DirectionsAndTimeoutsOfTheCommandSet) {
  struct Case {
    std::uint8_t opcode;
    DataDirection direction;
    std::uint32_t timeout;
    std::uint8_t dataIn;
  };
  const Case cases[] = {
      {0x2A, DataDirection::Out, 10, 0},   {0x12, DataDirection::In, 10, 1},
      {0x1B, DataDirection::In, 10, 1},    {0x35, DataDirection::None, 6000, 2},
      {0x43, DataDirection::In, 20, 2},    {0x25, DataDirection::In, 10, 2},
      {0x5C, DataDirection::In, 10, 2},    {0xBB, DataDirection::None, 600, 2},
  };
  for (const Case& c : cases) {
    const std::uint8_t cdb[10] = {c.opcode};
    const ScsiRequest request{cdb, 10, c.direction, nullptr, 32, c.timeout};
    const windows::PassThroughBlock block = windows::BuildPassThroughDirect(0, 0, 0, request, 0);
    EXPECT_EQ(block[8], c.dataIn) << int(c.opcode);
    EXPECT_EQ(block[16] | block[17] << 8, static_cast<int>(c.timeout)) << int(c.opcode);
  }
}

}  // namespace
}  // namespace brenmark::testing
