#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::virtualdrive::testing {
namespace {

FaultSpec Parsed(const std::string& text) {
  const FaultParseResult result = ParseFaultSpec(text);
  EXPECT_TRUE(result.spec) << text << ": " << result.error;
  return result.spec.value_or(FaultSpec{});
}

// The other forms are parsed by the tests below and the jobs' fault tests; a
// count, a sense and a retry at the same address in SenseRetryTest, faults
// never met in RecorderCliTest.
TEST(FaultSpecText, ReadsAnOpcodeInHexAndRejectsWhatItCannotRead) {
  const FaultSpec spec = Parsed("0xBE:transport");
  EXPECT_EQ(spec.opcode, 0xBE);
  EXPECT_TRUE(spec.transportFailure);
  EXPECT_EQ(spec.count, 1u);
  for (const char* text : {"", "FLY", "WRITE10:count=0", "WRITE10:count=x", "WRITE10:sense=3/0C",
                           "WRITE10:sense=G/00/00", "WRITE10:from=", "bufferfull", "bufferfull:0",
                           "WRITE10:sometimes", "WRITE10:after=x", "0x1FF", "WRITE10:from=-5", "WRITE10:once:always",
                           "WRITE10:count=2:once", "READCD:corrupt", "WRITE10:corrupt:transport",
                           "TESTUNITREADY:host=0", "TESTUNITREADY:host=100", "TESTUNITREADY:host=x", "readoffset",
                           "readoffset=", "readoffset=6:always", "readoffset=+-6", "readoffset=200000000"}) {
    const FaultParseResult result = ParseFaultSpec(text);
    EXPECT_FALSE(result.spec) << text;
    EXPECT_NE(result.error, "") << text;
  }
}

TEST(RecorderFaults, FailsTransfersFromAnAddressOn) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  harness.recorder().ArmFault(Parsed("WRITE10:from=20"));
  EXPECT_EQ(harness.Write(0, 16, Pattern(16, 2048, 0)), TransportResult::Good);
  EXPECT_EQ(harness.Write(16, 4, Pattern(4, 2048, 0)), TransportResult::Good);
  EXPECT_EQ(harness.Write(20, 1, Pattern(1, 2048, 0)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.Write(20, 1, Pattern(1, 2048, 0)), TransportResult::DeviceFailure);
  harness.recorder().ClearFaults();
  EXPECT_EQ(harness.Write(20, 1, Pattern(1, 2048, 0)), TransportResult::Good);
}

// A silent corruption answers GOOD and stores the named block with one byte
// flipped, once, whether the transfer starts at the block or holds it.
TEST(RecorderFaults, ACorruptWriteStoresOneBlockChangedAndSaysNothing) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  harness.recorder().ArmFault(Parsed("WRITE10:from=18:corrupt"));
  const auto sent = Pattern(24, 2048, 3);
  EXPECT_EQ(harness.Write(0, 16, {sent.begin(), sent.begin() + 16 * 2048}), TransportResult::Good);
  EXPECT_EQ(harness.Write(16, 4, {sent.begin() + 16 * 2048, sent.begin() + 20 * 2048}), TransportResult::Good);
  EXPECT_EQ(harness.Write(20, 4, {sent.begin() + 20 * 2048, sent.end()}), TransportResult::Good);
  EXPECT_TRUE(harness.recorder().FaultsNeverMet().empty());

  const auto stored = harness.Read(cdb::ReadCd(0, 24, 0x10), 24 * 2048).value_or(std::vector<std::uint8_t>{});
  ASSERT_EQ(stored.size(), sent.size());
  std::vector<std::size_t> differing;
  for (std::size_t at = 0; at < sent.size(); ++at) {
    if (stored[at] != sent[at]) differing.push_back(at);
  }
  EXPECT_EQ(differing, std::vector<std::size_t>{18 * 2048 + 1024});

  // Session at once: the same, in the block's own data form (audio here).
  RecorderHarness atOnce;
  ASSERT_EQ(atOnce.SetWriteParameters({.writeType = 2, .dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  const std::vector<std::uint8_t> sheet = {0x01, 0, 0, 0x01, 0, 0, 0, 0,    0x01, 1, 0, 0, 0, 0, 0, 0,
                                           0x01, 1, 1, 0,    0, 0, 2, 0,    0x01, 0xAA, 1, 0x01, 0, 0, 6, 0};
  ASSERT_EQ(atOnce.SendOut({0x5D, 0, 0, 0, 0, 0, 0, 0, 32, 0}, sheet), TransportResult::Good);
  atOnce.recorder().ArmFault(Parsed("WRITE12:from=18:corrupt"));
  const auto audio = Pattern(450, 2352, 4);
  EXPECT_EQ(atOnce.SendOut(cdb::Write12(-150, 450), audio), TransportResult::Good);
  const auto kept = atOnce.Read(cdb::ReadCd(0, 300, 0xF8), 300 * 2352).value_or(std::vector<std::uint8_t>{});
  ASSERT_EQ(kept.size(), 300u * 2352);
  differing.clear();
  for (std::size_t at = 0; at < kept.size(); ++at) {
    if (kept[at] != audio[150 * 2352 + at]) differing.push_back(at);
  }
  EXPECT_EQ(differing, std::vector<std::size_t>{18 * 2352 + 1176});
}

TEST(RecorderFaults, BufferFullAndFailingBufferCapacity) {
  RecorderHarness harness;
  auto cdb = cdb::Simple(0x5C, 10);
  cdb[8] = 12;
  harness.recorder().ArmFault(Parsed("bufferfull:2"));
  EXPECT_EQ(Be32(harness.Read(cdb, 12).value(), 8), 0u);
  EXPECT_EQ(Be32(harness.Read(cdb, 12).value(), 8), 0u);
  EXPECT_GT(Be32(harness.Read(cdb, 12).value(), 8), 0u);

  harness.recorder().ArmFault(Parsed("READBUFFERCAPACITY:always"));
  for (int attempt = 0; attempt < 3; ++attempt) EXPECT_FALSE(harness.Read(cdb, 12));
  harness.recorder().ArmFault(Parsed("INQUIRY:transport"));
  EXPECT_EQ(harness.Send(cdb::Simple(0x12, 6)), TransportResult::TransportFailure);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
