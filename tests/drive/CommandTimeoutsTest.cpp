#include <gtest/gtest.h>

#include <utility>

#include "drive/CommandTimeouts.h"
#include "drive/MmcCommand.h"

namespace brenmark::testing {
namespace {

// What every transport waits for each command the engine sends, as the
// command set builds it: long enough for a real recorder, never shorter than
// the command asks for.
TEST(CommandTimeouts, GiveEachCommandClassTheTimeARealRecorderNeeds) {
  const auto timeoutOf = [](const mmc::Command& command) {
    return CommandTimeoutSeconds(ScsiRequest{command.cdb.data(), command.cdbLength, command.direction, nullptr, 0,
                                             command.timeoutSeconds});
  };
  mmc::Command format, blank;
  format.cdb[0] = 0x04;
  format.cdbLength = 6;
  blank.cdb[0] = 0xA1;
  blank.cdbLength = 12;
  const std::pair<const char*, std::pair<mmc::Command, unsigned>> cases[] = {
      {"WRITE(10)", {mmc::Write10(0, 16), 200}},
      {"SYNCHRONIZE CACHE", {mmc::SynchronizeCache(), 6000}},
      {"CLOSE SESSION", {mmc::CloseSession(), 600}},
      {"SET CD SPEED", {mmc::SetCdSpeed(1764, 0), 600}},
      {"FORMAT UNIT", {format, 3600}},
      {"BLANK", {blank, 3600}},
  };
  for (const auto& [name, commandAndSeconds] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(timeoutOf(commandAndSeconds.first), commandAndSeconds.second);
  }
  EXPECT_EQ(CommandTimeoutSeconds(ScsiRequest{}), 200u);  // no command block at all
}

}  // namespace
}  // namespace brenmark::testing
