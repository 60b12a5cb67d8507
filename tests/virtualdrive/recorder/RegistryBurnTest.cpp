#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "tests/support/VirtualRecorderRegistry.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

// The virtual recorders as the only drives of the machine, used through the
// registry the way the burning jobs use a drive.
using RegistryBurn = testsupport::VirtualRecorderRegistry<>;

void Arm(VirtualRecorder& recorder, const char* text) {
  const auto fault = ParseFaultSpec(text);
  ASSERT_TRUE(fault.spec) << fault.error;
  recorder.ArmFault(*fault.spec);
}

TEST_F(RegistryBurn, ADriveThatIsBecomingReadyIsWaitedForWithoutUsingUpTries) {
  using std::chrono::milliseconds;
  Arm(*recorders[0], "WRITE10:count=4:sense=2/04/08");
  Arm(*recorders[0], "READCD:count=2:sense=2/04/01");
  DriveResult<DriveHandle> drive = registry->Open(0);
  ASSERT_TRUE(drive.ok());
  std::array<std::uint8_t, 64> page{};
  ASSERT_TRUE(drive->ModeSense(0x05, page).ok());
  ASSERT_TRUE(drive->SetWriteParameters(page, WriteMode{}).ok());
  ASSERT_TRUE(drive->WriteSectors(0, 16, 2048, Pattern(16, 2048, 1).data()).ok());
  std::vector<std::uint8_t> sector(2048);
  ASSERT_TRUE(drive->ReadSectors(0, 1, sector.data(), 2048, 0x10).ok());
  EXPECT_EQ(sleeper.Count(milliseconds(1000)), 6);
  EXPECT_TRUE(prompt.questions().empty());

  // A drive that never gets ready is not waited for without end: each try
  // waits a bounded time, then counts as failed, and the user is asked.
  sleeper.waits.clear();
  Arm(*recorders[0], "WRITE10:always:sense=2/04/01");
  EXPECT_FALSE(drive->WriteSectors(16, 1, 2048, sector.data()).ok());
  EXPECT_EQ(prompt.questions().size(), 1u);
  EXPECT_EQ(sleeper.Count(milliseconds(1000)), 3 * 120 + 2);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
