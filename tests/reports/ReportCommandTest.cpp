#include <gtest/gtest.h>

#include "drive/DriveRegistry.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "reports/ReportDrive.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark {
namespace {

// What the virtual recorders cannot stage: a device that will not open, and no
// current drive.
class ReportCommand : public testing::RegistryWithOneEnumeratedDrive {
 protected:
  void ExpectOneMessageAndClosed(const char* text) {
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, text);
    EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);
    EXPECT_FALSE(device->isOpen);
    EXPECT_FALSE(registry->IsOpen(0));
    prompt.Forget();
  }
};

TEST_F(ReportCommand, ADriveThatWillNotOpenGetsNoCommand) {
  device->openSucceeds = false;
  EXPECT_FALSE(ShowDeviceReport(*registry, prompt));
  ExpectOneMessageAndClosed(kReportOpenFailedText);
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(kReportOpenFailedText);
  EXPECT_TRUE(device->commands.empty());

  device->heldElsewhere = true;  // another program has the drive
  device->openSucceeds = true;
  EXPECT_FALSE(ShowDiscReport(*registry, prompt));
  ExpectOneMessageAndClosed(kDriveInUseText);
  EXPECT_TRUE(device->commands.empty());
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
