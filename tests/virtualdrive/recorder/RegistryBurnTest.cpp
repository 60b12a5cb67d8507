#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "tests/support/VirtualRecorderRegistry.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

// The virtual recorders as the only drives of the machine, used through the
// registry the way the burning jobs use a drive.
class RegistryBurn : public testsupport::VirtualRecorderRegistry<> {
 protected:
  void SetWriting(int drive, int writeType, int sessionFormat, int blockType, int multiSession, int trackMode,
                  const std::uint8_t* subheader = nullptr) {
    std::array<std::uint8_t, 64> page{};
    registry->ModeSense(drive, 0x05, 64, page.data());
    ASSERT_EQ(registry->SetWriteParameters(drive, 64, page.data(), 1, writeType, sessionFormat, blockType,
                                           multiSession, trackMode, subheader),
              0);
  }

  // Writes blocks in chunks of 16, as the jobs do.
  void WriteBlocks(int drive, std::int32_t lba, const std::vector<std::uint8_t>& data, int blockSize) {
    const std::size_t blocks = data.size() / static_cast<std::size_t>(blockSize);
    for (std::size_t done = 0; done < blocks; done += 16) {
      const int count = static_cast<int>(std::min<std::size_t>(16, blocks - done));
      const std::uint8_t* chunk = data.data() + done * static_cast<std::size_t>(blockSize);
      const std::int32_t at = lba + static_cast<std::int32_t>(done);
      ASSERT_EQ(registry->WriteSectors(drive, at, count, blockSize, chunk), 0) << "at " << at;
    }
  }
};

void Arm(VirtualRecorder& recorder, const char* text) {
  const auto fault = ParseFaultSpec(text);
  ASSERT_TRUE(fault.spec) << fault.error;
  recorder.ArmFault(*fault.spec);
}

// The sense a refused write leaves is in SenseRetry.AnIllegalRequestIsNotRepeatedUnasked.
TEST_F(RegistryBurn, TheLastOutcomeOfADriveKeepsItsResidualAndEjectTellsTheDrivesAnswer) {
  ASSERT_TRUE(registry->OpenDevice(0));
  std::int32_t sessions = 0;
  ASSERT_TRUE(registry->GetDiscInfo(0, &sessions, nullptr, nullptr));
  EXPECT_TRUE(registry->LastOutcome(0).good());
  EXPECT_GT(registry->LastOutcome(0).residual, 0u);  // 256 bytes asked, fewer given
  EXPECT_EQ(registry->LastOutcome(-1).result, TransportResult::TransportFailure);

  Arm(*recorders[0], "STARTSTOPUNIT");
  EXPECT_FALSE(registry->EjectDisc(0));  // what the drive answered, not a blanket yes
  EXPECT_TRUE(registry->EjectDisc(0));
}

TEST_F(RegistryBurn, ADriveThatIsBecomingReadyIsWaitedForWithoutUsingUpTries) {
  using std::chrono::milliseconds;
  Arm(*recorders[0], "WRITE10:count=4:sense=2/04/08");
  Arm(*recorders[0], "READCD:count=2:sense=2/04/01");
  ASSERT_TRUE(registry->OpenDevice(0));
  SetWriting(0, 1, 0x00, 8, 0x00, 4);
  WriteBlocks(0, 0, Pattern(16, 2048, 1), 2048);
  std::vector<std::uint8_t> sector(2048);
  ASSERT_EQ(registry->ReadSectors(0, 0, 1, sector.data(), 2048, 0x10), 0);
  EXPECT_EQ(sleeper.Count(milliseconds(1000)), 6);
  EXPECT_TRUE(prompt.questions().empty());

  // A drive that never gets ready is not waited for without end: each try
  // waits a bounded time, then counts as failed, and the user is asked.
  sleeper.waits.clear();
  Arm(*recorders[0], "WRITE10:always:sense=2/04/01");
  EXPECT_EQ(registry->WriteSectors(0, 16, 1, 2048, sector.data()), 2);
  EXPECT_EQ(prompt.questions().size(), 1u);
  EXPECT_EQ(sleeper.Count(milliseconds(1000)), 3 * 120 + 2);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
