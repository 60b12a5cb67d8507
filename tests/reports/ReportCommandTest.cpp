#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drive/DriveRegistry.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "reports/ReportDrive.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark {
namespace {

using testing::FakeDeviceState;

// Failures the virtual recorder cannot stage: a device that will not open, and
// disc queries that fail after the same command succeeded earlier in the report.
class ReportCommand : public testing::RegistryWithOneEnumeratedDrive {
 protected:
  void ExpectOneMessageAndClosed(const char* text) {
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, text);
    EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Plain);
    EXPECT_FALSE(device->isOpen);
    EXPECT_FALSE(registry->drive(0).isOpen);
    prompt.messages.clear();
  }
};

TEST_F(ReportCommand, ADriveThatWillNotOpenGetsNoCommand) {
  device->openSucceeds = false;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  ExpectOneMessageAndClosed(kReportOpenFailedText);
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(kReportOpenFailedText);
  EXPECT_TRUE(device->commands.empty());
}

TEST_F(ReportCommand, DiscInformationFailingAfterThePresenceCheck) {
  device->Reply(TransportResult::Good);
  device->Reply(TransportResult::DeviceFailure);
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(kDiscInfoFailedText);
  EXPECT_EQ(device->Opcodes(), (std::vector<std::uint8_t>{0x51, 0x51}));
}

TEST_F(ReportCommand, AFailingLeadOutQueryShowsZeroAndTheReportGoesOn) {
  std::vector<std::uint8_t> discInformation(32, 0);
  discInformation[2] = 0x05;  // incomplete disc, last session incomplete
  discInformation[4] = discInformation[6] = 1;
  discInformation[8] = 0x10;  // CD-I
  discInformation[21] = 79, discInformation[22] = 59, discInformation[23] = 74;
  device->Reply(TransportResult::Good, discInformation);
  device->Reply(TransportResult::Good, discInformation);
  device->Reply(TransportResult::Good, {0, 0, 0x03, 0xE7});
  device->Reply(TransportResult::DeviceFailure, discInformation);
  device->Reply(TransportResult::DeviceFailure);

  EXPECT_TRUE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(
      "Sessions - 1\n"
      "Tracks - 1\n"
      "Disc Status - Incomplete Disc\n"
      "Disc Type - Not ReWritable\n"
      "Last Session Status - Incomplete\n"
      "Disc Mode - CD-I;\n"
      "Media Capacity - 2.00 MB (999 sectors)\n"
      "Media Size - 0.00 MB (0 sectors)\n");
}

TEST_F(ReportCommand, NoCurrentDriveMeansNoDriveOperation) {
  registry->currentDrive = -1;
  const int openCalls = device->openCalls;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  ExpectOneMessageAndClosed(kNoReportDriveText);
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(kNoReportDriveText);
  EXPECT_EQ(device->openCalls, openCalls);
  EXPECT_TRUE(device->commands.empty());
}

}  // namespace
}  // namespace brenmark
