// The trace file's line for one command, as a reader greps it.
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <iomanip>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "drive/CommandTraceFile.h"

namespace brenmark::testing {
namespace {

using namespace std::chrono_literals;

TEST(CommandTrace, ALineHoldsTimeDriveCommandBytesTransferOutcomeAndDuration) {
  std::tm local{};
  std::istringstream("2025-03-01 14:02:07") >> std::get_time(&local, "%Y-%m-%d %H:%M:%S");
  local.tm_isdst = -1;  // in the zone's time of year, as the trace shows it
  const struct {
    std::vector<std::uint8_t> cdb;
    DataDirection direction;
    std::uint32_t length;
    CommandOutcome outcome;
    std::chrono::microseconds duration;
    std::string expected;  // after the time and the drive
  } rows[] = {
      {{0x2A, 0, 0, 0, 0, 0x13, 0, 0, 1, 0}, DataDirection::Out, 2048, TransportResult::Good, 412us,
       "WRITE(10) | 2A 00 00 00 00 13 00 00 01 00 | out 2048 | GOOD | 0.412 ms"},
      {{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::None, 0,
       CommandOutcome(TransportResult::DeviceFailure, SenseCode{0x04, 0x44, 0x00}), 20us,
       "SYNCHRONIZE CACHE | 35 00 00 00 00 00 00 00 00 00 | none 0 | 4/44/00 internal target failure | 0.020 ms"},
      // A command this program does not know, as another one sends it.
      {{0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, DataDirection::In, 96, CommandOutcome::NotDelivered(EIO), 1234567us,
       "OPCODE FFh | FF 01 02 03 04 05 06 07 08 09 0A 0B | in 96 | transport failure: system error " +
           std::to_string(EIO) + " (" + std::generic_category().message(EIO) + ") | 1234.567 ms"},
  };
  for (const auto& row : rows) {
    TracedCommand command;
    command.sentAt = std::chrono::system_clock::from_time_t(std::mktime(&local)) + 123456us;
    command.drive = "/dev/sr0";
    std::copy(row.cdb.begin(), row.cdb.end(), command.cdb.begin());
    command.cdbLength = static_cast<std::uint8_t>(row.cdb.size());
    command.direction = row.direction;
    command.length = row.length;
    command.outcome = row.outcome;
    command.duration = row.duration;
    EXPECT_EQ(TraceLine(command), "2025-03-01 14:02:07.123456 | /dev/sr0 | " + row.expected);
  }
}

}  // namespace
}  // namespace brenmark::testing
