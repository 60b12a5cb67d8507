#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kWrite10 = 0x2A, kWrite12 = 0xAA, kBufferCapacity = 0x5C;

Bytes BufferCapacity(std::uint32_t blank) {
  Bytes response(12, 0);
  for (int i = 0; i < 4; ++i) response[8 + i] = static_cast<std::uint8_t>(blank >> (24 - 8 * i));
  return response;
}

class SectorTransfer : public RegistryWithOneDrive {
 protected:
  Bytes data = Bytes(16 * 2352, 0x55);
};

// A count the one-byte field cannot carry is refused before anything is sent,
// never cut to its low byte (256 would be a transfer of nothing, "done").
TEST_F(SectorTransfer, BlockCountsTheCommandCannotCarryAreRefusedUnsent) {
  Bytes buffer(256 * 2352);
  for (const int count : {256, 257, 511, -1}) {
    SCOPED_TRACE(count);
    EXPECT_FALSE(drive->ReadSectors(0, count, buffer.data(), 2352, 0x10).ok());
    EXPECT_FALSE(drive->WriteSectors(0, count, 2048, buffer.data()).ok());
    EXPECT_FALSE(drive->WriteSectors12(0, count, 2048, buffer.data()).ok());
  }
  EXPECT_TRUE(device->commands.empty());
  EXPECT_TRUE(prompt.questions().empty());

  EXPECT_TRUE(drive->ReadSectors(0, 255, buffer.data(), 2352, 0x10).ok());
  ASSERT_EQ(device->commands.size(), 1u);
  EXPECT_EQ(device->commands[0].cdb[8], 255);
}

TEST_F(SectorTransfer, ReadAsksAfterThreeFailuresAndRetriesOnYes) {
  for (int i = 0; i < 5; ++i) device->Reply(TransportResult::DeviceFailure);
  prompt.ScriptAnswers({true});
  EXPECT_TRUE(drive->ReadSectors(-150, 1, data.data(), 2352, 0x10).ok());
  EXPECT_EQ(device->commands.size(), 6u);
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>{"Error reading sector -150.\nTry again?"}));
  EXPECT_EQ(sleeper.Count(1000ms), 4);

  // A closed device is refused without reaching it, and still ends in the question.
  prompt.Forget();
  drive->Close();
  EXPECT_FALSE(drive->ReadSectors(77, 1, data.data(), 2352, 0x10).ok());
  EXPECT_FALSE(drive->WriteSectors(5, 1, 2048, data.data()).ok());
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>{"Error reading sector 77.\nTry again?",
                                                          "Error writing sector 5.\nTry again?"}));
  EXPECT_EQ(device->commandsWhileClosed, 0);
}

TEST_F(SectorTransfer, YesStartsANewBufferWaitAndThreeMoreAttempts) {
  device->responder = [](const RecordedCommand& command) {
    if (command.opcode() == kBufferCapacity) return ScriptedReply{TransportResult::Good, BufferCapacity(1 << 20)};
    return ScriptedReply{TransportResult::DeviceFailure, {}};
  };
  prompt.ScriptAnswers({true, false});
  EXPECT_FALSE(drive->WriteSectors12(-2, 16, 2048, data.data()).ok());
  EXPECT_EQ(device->Opcodes(), (Bytes{kBufferCapacity, kWrite12, kWrite12, kWrite12,
                                      kBufferCapacity, kWrite12, kWrite12, kWrite12}));
  ASSERT_EQ(prompt.questions().size(), 2u);
  EXPECT_EQ(prompt.questions()[0], "Error writing sector -2.\nTry again?");
}

// The wait compares bytes and polls every 200 ms; a drive that cannot report
// its buffer is not waited for.
TEST_F(SectorTransfer, BufferWaitComparesBytesAndPollsEvery200ms) {
  for (std::uint32_t blank : {0, 37631, 37632})
    device->Reply(TransportResult::Good, BufferCapacity(blank));
  EXPECT_TRUE(drive->WriteSectors(0, 16, 2352, data.data()).ok());
  EXPECT_EQ(device->commands.back().length, 37632u);

  device->Reply(TransportResult::DeviceFailure);
  EXPECT_TRUE(drive->WriteSectors(0, 16, 2352, data.data()).ok());
  EXPECT_EQ(device->Opcodes(), (Bytes{kBufferCapacity, kBufferCapacity, kBufferCapacity, kWrite10,
                                      kBufferCapacity, kWrite10}));
  EXPECT_EQ(sleeper.waits, (std::vector<std::chrono::milliseconds>{200ms, 200ms}));
}

// A drive whose report never shows room: the 30 s wait is spent again until
// a write goes through after it, then not until the drive is opened anew.
TEST_F(SectorTransfer, ABufferReportThatNeverShowsRoomIsWaitedForUntilAWriteGoesThroughDespiteIt) {
  bool writesFail = true;
  device->responder = [&writesFail](const RecordedCommand& command) {
    if (command.opcode() == kBufferCapacity) return ScriptedReply{TransportResult::Good, BufferCapacity(0)};
    return ScriptedReply{writesFail ? TransportResult::DeviceFailure : TransportResult::Good, {}};
  };
  const auto bufferWaits = [this] { return std::count(sleeper.waits.begin(), sleeper.waits.end(), 200ms); };
  const int fullWait = 30'000 / 200;

  prompt.ScriptAnswers({false});
  EXPECT_FALSE(drive->WriteSectors(0, 16, 2048, data.data()).ok());
  EXPECT_EQ(bufferWaits(), fullWait);
  EXPECT_TRUE(prompt.messages().empty());

  writesFail = false;
  for (std::int32_t lba : {0, 16, 32}) EXPECT_TRUE(drive->WriteSectors(lba, 16, 2048, data.data()).ok());
  EXPECT_EQ(bufferWaits(), 2 * fullWait);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);

  drive.reset();
  DriveResult<DriveHandle> reopened = registry->Open(0);
  ASSERT_TRUE(reopened.ok());
  drive.emplace(std::move(*reopened));
  EXPECT_TRUE(drive->WriteSectors12(48, 16, 2048, data.data()).ok());
  EXPECT_EQ(bufferWaits(), 3 * fullWait);
  EXPECT_EQ(prompt.messages().size(), 2u);
}

}  // namespace
}  // namespace brenmark::testing
