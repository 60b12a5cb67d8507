#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kReadCd = 0xBE, kWrite10 = 0x2A, kWrite12 = 0xAA, kBufferCapacity = 0x5C;

Bytes BufferCapacity(std::uint32_t blank) {
  Bytes response(12, 0);
  for (int i = 0; i < 4; ++i) response[8 + i] = static_cast<std::uint8_t>(blank >> (24 - 8 * i));
  return response;
}

class SectorTransfer : public RegistryWithOneDrive {
 protected:
  // Every write fails; the buffer always has room.
  void FailAllWrites() {
    device->responder = [](const RecordedCommand& command) {
      if (command.opcode() == kBufferCapacity)
        return ScriptedReply{TransportResult::Good, BufferCapacity(1 << 20)};
      return ScriptedReply{TransportResult::DeviceFailure, {}};
    };
  }

  Bytes data = Bytes(16 * 2352, 0x55);
};

// A count the one-byte field cannot carry is refused before anything is sent,
// never cut to its low byte (256 would be a transfer of nothing, "done").
TEST_F(SectorTransfer, BlockCountsTheCommandCannotCarryAreRefusedUnsent) {
  Bytes buffer(256 * 2352);
  for (const int count : {256, 257, 511, -1}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(registry->ReadSectors(0, 0, count, buffer.data(), 2352, 0x10), 2);
    EXPECT_EQ(registry->WriteSectors(0, 0, count, 2048, buffer.data()), 2);
    EXPECT_EQ(registry->WriteSectors12(0, 0, count, 2048, buffer.data()), 2);
  }
  EXPECT_TRUE(device->commands.empty());
  EXPECT_TRUE(prompt.questions().empty());

  EXPECT_EQ(registry->ReadSectors(0, 0, 255, buffer.data(), 2352, 0x10), 0);
  ASSERT_EQ(device->commands.size(), 1u);
  EXPECT_EQ(device->commands[0].cdb[8], 255);
}

TEST_F(SectorTransfer, ReadAsksAfterThreeFailuresAndRetriesOnYes) {
  for (int i = 0; i < 5; ++i) device->Reply(TransportResult::DeviceFailure);
  prompt.ScriptAnswers({true});
  Bytes buffer(2352);
  EXPECT_EQ(registry->ReadSectors(0, -150, 1, buffer.data(), 2352, 0x10), 0);
  EXPECT_EQ(device->commands.size(), 6u);
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>{"Error reading sector -150.\nTry again?"}));
  EXPECT_EQ(sleeper.Count(1000ms), 4);

  prompt.Forget();
  device->responder = [](const RecordedCommand&) {
    return ScriptedReply{TransportResult::TransportFailure, {}};
  };
  EXPECT_EQ(registry->ReadSectors(0, 77, 1, buffer.data(), 2352, 0x10), 2);
  EXPECT_EQ(prompt.questions(), (std::vector<std::string>{"Error reading sector 77.\nTry again?"}));
}

TEST_F(SectorTransfer, YesStartsANewBufferWaitAndThreeMoreAttempts) {
  FailAllWrites();
  prompt.ScriptAnswers({true, false});
  EXPECT_EQ(registry->WriteSectors12(0, -2, 16, 2048, data.data()), 2);
  EXPECT_EQ(device->Opcodes(), (Bytes{kBufferCapacity, kWrite12, kWrite12, kWrite12,
                                      kBufferCapacity, kWrite12, kWrite12, kWrite12}));
  ASSERT_EQ(prompt.questions().size(), 2u);
  EXPECT_EQ(prompt.questions()[0], "Error writing sector -2.\nTry again?");
}

TEST_F(SectorTransfer, BufferWaitComparesBytesAndPollsEvery200ms) {
  for (std::uint32_t blank : {0, 37631, 37632})
    device->Reply(TransportResult::Good, BufferCapacity(blank));
  EXPECT_EQ(registry->WriteSectors(0, 0, 16, 2352, data.data()), 0);
  EXPECT_EQ(device->Opcodes(),
            (Bytes{kBufferCapacity, kBufferCapacity, kBufferCapacity, kWrite10}));
  EXPECT_EQ(sleeper.waits, (std::vector<std::chrono::milliseconds>{200ms, 200ms}));
  EXPECT_EQ(device->commands.back().length, 37632u);
}

TEST_F(SectorTransfer, FailingBufferQueryGoesOnToTheWrite) {
  device->responder = [](const RecordedCommand& command) {
    return ScriptedReply{command.opcode() == kBufferCapacity ? TransportResult::DeviceFailure
                                                             : TransportResult::Good,
                         {}};
  };
  EXPECT_EQ(registry->WriteSectors(0, 0, 16, 2352, data.data()), 0);
  EXPECT_EQ(device->Opcodes(), (Bytes{kBufferCapacity, kWrite10}));
  EXPECT_TRUE(sleeper.waits.empty());
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
  EXPECT_EQ(registry->WriteSectors(0, 0, 16, 2048, data.data()), 2);
  EXPECT_EQ(bufferWaits(), fullWait);
  EXPECT_TRUE(prompt.messages().empty());

  writesFail = false;
  for (std::int32_t lba : {0, 16, 32}) EXPECT_EQ(registry->WriteSectors(0, lba, 16, 2048, data.data()), 0);
  EXPECT_EQ(bufferWaits(), 2 * fullWait);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);

  ASSERT_TRUE(registry->CloseDevice(0));
  ASSERT_TRUE(registry->OpenDevice(0));
  EXPECT_EQ(registry->WriteSectors12(0, 48, 16, 2048, data.data()), 0);
  EXPECT_EQ(bufferWaits(), 3 * fullWait);
  EXPECT_EQ(prompt.messages().size(), 2u);
}

TEST_F(SectorTransfer, RefusedDeviceStillEndsInTheQuestion) {
  registry->CloseDevice(0);
  Bytes buffer(2048);
  EXPECT_EQ(registry->ReadSectors(0, 5, 1, buffer.data(), 2048, 0x10), 2);
  EXPECT_EQ(registry->WriteSectors(0, 5, 1, 2048, buffer.data()), 2);
  EXPECT_EQ(prompt.questions().size(), 2u);
  EXPECT_EQ(device->commandsWhileClosed, 0);  // nothing reached the device
}

}  // namespace
}  // namespace brenmark::testing
