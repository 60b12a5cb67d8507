#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/VirtualRecorderRegistry.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

// The virtual recorders as the only drives of the machine, used through the
// registry the way the burning jobs use a drive.
class RegistryBurn : public testsupport::VirtualRecorderRegistry<> {
 protected:
  void Open(int index) {
    DriveResult<DriveHandle> opened = registry->Open(index);
    ASSERT_TRUE(opened.ok());
    drive.emplace(std::move(*opened));
  }

  void SetTrackAtOnceMode1() {
    std::array<std::uint8_t, 64> page{};
    ASSERT_TRUE(drive->ModeSense(0x05, page).ok());
    ASSERT_TRUE(drive->SetWriteParameters(page, WriteMode{}).ok());
  }

  // Writes blocks in chunks of 16, as the jobs do.
  void WriteBlocks(std::int32_t lba, const std::vector<std::uint8_t>& data, int blockSize) {
    const std::size_t blocks = data.size() / static_cast<std::size_t>(blockSize);
    for (std::size_t done = 0; done < blocks; done += 16) {
      const int count = static_cast<int>(std::min<std::size_t>(16, blocks - done));
      const std::uint8_t* chunk = data.data() + done * static_cast<std::size_t>(blockSize);
      const std::int32_t at = lba + static_cast<std::int32_t>(done);
      ASSERT_TRUE(drive->WriteSectors(at, count, blockSize, chunk).ok()) << "at " << at;
    }
  }

  std::optional<DriveHandle> drive;
};

void Arm(VirtualRecorder& recorder, const char* text) {
  const auto fault = ParseFaultSpec(text);
  ASSERT_TRUE(fault.spec) << fault.error;
  recorder.ArmFault(*fault.spec);
}

// The sense a refused write leaves is in SenseRetry.AnIllegalRequestIsNotRepeatedUnasked.
TEST_F(RegistryBurn, TheRecorderTellsItsResidualAndEjectTellsTheDrivesAnswer) {
  Open(0);
  std::array<std::uint8_t, 256> response{};
  const std::array<std::uint8_t, 10> cdb{0x51, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0};
  ScsiRequest request{cdb.data(), 10, DataDirection::In, response.data(), 256};
  const CommandOutcome outcome = recorders[0]->Execute(request);
  EXPECT_TRUE(outcome.good());
  EXPECT_GT(outcome.residual, 0u);  // 256 bytes asked, fewer given

  Arm(*recorders[0], "STARTSTOPUNIT");
  EXPECT_FALSE(drive->EjectDisc().ok());  // what the drive answered, not a blanket yes
  EXPECT_TRUE(drive->EjectDisc().ok());
}

TEST_F(RegistryBurn, ADriveThatIsBecomingReadyIsWaitedForWithoutUsingUpTries) {
  using std::chrono::milliseconds;
  Arm(*recorders[0], "WRITE10:count=4:sense=2/04/08");
  Arm(*recorders[0], "READCD:count=2:sense=2/04/01");
  Open(0);
  SetTrackAtOnceMode1();
  WriteBlocks(0, Pattern(16, 2048, 1), 2048);
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
