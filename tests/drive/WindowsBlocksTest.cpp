#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "drive/windows/AspiRequestBlocks.h"
#include "drive/windows/PassThroughBlock.h"
#include "drive/windows/TransportChoice.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes AsBytes(const std::array<std::uint8_t, N>& block) {
  return Bytes(block.begin(), block.end());
}

// A zeroed block of `size` bytes with the given fields placed at their offsets.
Bytes Block(std::size_t size, std::initializer_list<std::pair<std::size_t, Bytes>> fields) {
  Bytes block(size, 0);
  for (const auto& [offset, bytes] : fields) std::copy(bytes.begin(), bytes.end(), &block[offset]);
  return block;
}

TEST(AspiRequestBlocks, ExecScsiCmdLayout) {
  const std::uint8_t cdb[10] = {0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 0x10, 0};
  const ScsiRequest write{cdb, 10, DataDirection::Out, nullptr, 0x9300, 10};
  // Command 2, adapter 3, data out, target 4, LUN 0, length, buffer, sense and CDB
  // lengths, post routine, CDB.
  const Bytes expected = Block(80, {{0, {2, 0, 3, 0x50}},
                                    {8, {4, 0}},
                                    {12, {0x00, 0x93, 0, 0, 0x78, 0x56, 0x34, 0x12, 14, 10}},
                                    {24, {0xEF, 0xBE, 0xAD, 0xDE}},
                                    {48, Bytes(cdb, cdb + 10)}});
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
  // Length, path, target, LUN, CDB and sense lengths, data in, 2352 bytes, 200 seconds, buffer,
  // sense offset, CDB.
  const Bytes expected = Block(80, {{0, {44}},
                                    {3, {1, 2, 3, 12, 24, 1}},
                                    {12, {0x30, 0x09}},
                                    {16, {200}},
                                    {20, {0x00, 0x10, 0x40, 0x00, 48}},
                                    {28, Bytes(cdb, cdb + 12)}});
  EXPECT_EQ(AsBytes(windows::BuildPassThroughDirect(1, 2, 3, read, 0x00401000)), expected);
}

TEST(PassThroughBlock, DirectionsAndTimeoutsOfTheCommandSet) {
  // Opcode, direction and time-out as the command set sends them; the block's data-in
  // byte, which READ TOC, READ CAPACITY and READ BUFFER CAPACITY leave unspecified,
  // and the time-out the system is given: what SG_IO gives the same command.
  const std::tuple<std::uint8_t, DataDirection, std::uint32_t, std::uint8_t, int> cases[] = {
      {0x2A, DataDirection::Out, 10, 0, 200},   {0x12, DataDirection::In, 10, 1, 200},
      {0x35, DataDirection::None, 6000, 2, 6000}, {0x43, DataDirection::In, 20, 2, 200},
      {0x25, DataDirection::In, 10, 2, 200},    {0x5C, DataDirection::In, 10, 2, 200},
      {0xA1, DataDirection::None, 10, 2, 3600},
  };
  for (const auto& [opcode, direction, timeout, dataIn, sentTimeout] : cases) {
    const std::uint8_t cdb[10] = {opcode};
    const ScsiRequest request{cdb, 10, direction, nullptr, 32, timeout};
    const windows::PassThroughBlock block = windows::BuildPassThroughDirect(0, 0, 0, request, 0);
    EXPECT_EQ(block[8], dataIn) << int(opcode);
    EXPECT_EQ(block[16] | block[17] << 8, sentTimeout) << int(opcode);
  }
}

// Fixed-format sense for key/ASC/ASCQ at `offset` of a block.
template <std::size_t N>
void PlaceSense(std::array<std::uint8_t, N>& block, std::size_t offset, SenseCode code) {
  block[offset] = 0x70;
  block[offset + 2] = code.key;
  block[offset + 7] = 10;
  block[offset + 12] = code.asc;
  block[offset + 13] = code.ascq;
}

TEST(PassThroughBlock, OutcomeOfTheCompletedBlock) {
  const std::uint8_t cdb[10] = {0x51};
  const ScsiRequest request{cdb, 10, DataDirection::In, nullptr, 32, 10};
  windows::PassThroughBlock block = windows::BuildPassThroughDirect(0, 0, 0, request, 0x1000);

  EXPECT_EQ(windows::PassThroughOutcome(false, block, 32).result, TransportResult::TransportFailure);
  // The system lowers DataTransferLength to what moved.
  block[12] = 28;
  const CommandOutcome good = windows::PassThroughOutcome(true, block, 32);
  EXPECT_EQ(good.result, TransportResult::Good);
  EXPECT_EQ(good.residual, 4u);

  block[2] = 0x02;  // CHECK CONDITION
  block[7] = 18;    // sense bytes returned
  PlaceSense(block, 48, {0x03, 0x0C, 0x00});
  const CommandOutcome refused = windows::PassThroughOutcome(true, block, 32);
  EXPECT_EQ(refused.result, TransportResult::DeviceFailure);
  EXPECT_TRUE(refused.HasSense({0x03, 0x0C, 0x00}));
  block[7] = 0;  // no sense returned: none is made up from stale bytes
  EXPECT_FALSE(windows::PassThroughOutcome(true, block, 32).sense.has_value());
}

TEST(AspiRequestBlocks, OutcomeOfTheCompletedBlockAndTheAbortRequest) {
  const std::uint8_t cdb[10] = {0x2A};
  const ScsiRequest write{cdb, 10, DataDirection::Out, nullptr, 2048, 10};
  windows::ExecScsiCmdBlock block = windows::BuildExecScsiCmd(1, 2, 0, write, 0, 0);
  block[1] = 1;
  EXPECT_EQ(windows::ExecScsiOutcome(block).result, TransportResult::Good);
  block[1] = 4;  // SS_ERR
  EXPECT_FALSE(windows::ExecScsiOutcome(block).sense.has_value());
  PlaceSense(block, 64, {0x05, 0x21, 0x00});
  const CommandOutcome refused = windows::ExecScsiOutcome(block);
  EXPECT_EQ(refused.result, TransportResult::DeviceFailure);
  EXPECT_TRUE(refused.HasSense({0x05, 0x21, 0x00}));

  EXPECT_EQ(AsBytes(windows::BuildAbort(3, 0x00AB1234)),
            (Bytes{3, 0, 3, 0, 0, 0, 0, 0, 0x34, 0x12, 0xAB, 0x00}));
}

TEST(TransportChoice, ByVersionUnlessForced) {
  // GetVersion values: 95, 98, Me (top bit set), NT 4, 2000, XP, 7.
  const std::pair<std::uint32_t, AccessMode> versions[] = {
      {0xC3B60004, AccessMode::Aspi}, {0xC0000A04, AccessMode::Aspi}, {0xC0005A04, AccessMode::Aspi},
      {0x05650004, AccessMode::Aspi}, {0x08930005, AccessMode::Spti}, {0x0A280105, AccessMode::Spti},
      {0x1DB10106, AccessMode::Spti}};
  for (const auto& [version, mode] : versions) {
    EXPECT_EQ(windows::ChooseTransport(version, ""), mode) << std::hex << version;
    EXPECT_EQ(windows::ChooseTransport(version, "aspi"), AccessMode::Aspi);
    EXPECT_EQ(windows::ChooseTransport(version, "spti"), AccessMode::Spti);
  }
  EXPECT_EQ(windows::ChooseTransport(0x1DB10106, "ASPI"), AccessMode::Aspi);
  EXPECT_EQ(windows::ChooseTransport(0x1DB10106, "Spti"), AccessMode::Spti);
  EXPECT_EQ(windows::ChooseTransport(0x1DB10106, "aspix"), std::nullopt);
  EXPECT_EQ(windows::ChooseTransport(0x1DB10106, "sg"), std::nullopt);
}

}  // namespace
}  // namespace brenmark::testing
