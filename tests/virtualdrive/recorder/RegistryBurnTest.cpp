#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "tests/support/ExternalTool.h"
#include "tests/support/VirtualRecorderRegistry.h"
#include "tests/virtualdrive/image/RawSectorCheck.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

using testsupport::Quoted;
using testsupport::RunTool;
using testsupport::ToolRun;

int CountOccurrences(const std::string& text, const std::string& word) {
  int count = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

// The virtual recorders as the only drives of the machine, used through the
// registry the way the burning jobs use a drive.
class RegistryBurn : public testsupport::VirtualRecorderRegistry<> {
 protected:
  void SetUp() override {
    VirtualRecorderRegistry::SetUp();
    for (const auto& recorder : recorders) {
      recorder->SetFinishedImageObserver([this](const fs::path& path) { finished.push_back(path); });
    }
  }

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

  fs::path BinOf(const fs::path& cue) {
    fs::path bin = cue;
    bin.replace_extension(".bin");
    return bin;
  }

  std::vector<fs::path> finished;
};

TEST_F(RegistryBurn, AMachineWithoutDrivesListsTheTwoVirtualRecorders) {
  ASSERT_EQ(registry->driveCount, 2);
  EXPECT_EQ(registry->drive(0).displayName, "virtual-cd: Brenmark Virtual CD-RW   ");
  EXPECT_EQ(registry->drive(1).displayName, "virtual-dvd: Brenmark Virtual DVD-R   ");
  EXPECT_EQ(registry->drive(0).interfaceStandard, 2u);
  EXPECT_EQ(registry->drive(0).canWriteDvdR, 0);  // the CD recorder writes no DVD
  EXPECT_EQ(registry->drive(1).canWriteDvdR, 1);
  EXPECT_EQ(registry->drive(1).canWriteDvdRam, 0);
  EXPECT_TRUE(prompt.messages.empty());

  ASSERT_TRUE(registry->OpenDevice(0));
  EXPECT_TRUE(registry->IsMediaPresent(0) && registry->IsDiscBlank(0));
  EXPECT_EQ(registry->GetDiscCapacity(0), 359999);
  EXPECT_FALSE(registry->ReadSessions(0));  // no table of contents yet
  std::uint32_t mask = 0, bufferSize = 0;
  std::array<std::uint32_t, 100> speeds{};
  ASSERT_TRUE(registry->GetCapabilities(0, &mask, nullptr, &bufferSize, speeds));
  EXPECT_EQ(std::vector<std::uint32_t>(speeds.begin(), speeds.begin() + 8),
            (std::vector<std::uint32_t>{8467, 7056, 5645, 4234, 2822, 1411, 706, 0}));
  EXPECT_NE(mask & capability::kWritesCdR, 0u);
  EXPECT_GT(bufferSize, 0u);
}

TEST_F(RegistryBurn, Mode2DiscWithFormOneAndFormTwoTracks) {
  ASSERT_TRUE(registry->OpenDevice(0));
  const std::uint8_t noSubheader[4] = {0, 0, 0, 0};
  SetWriting(0, 1, 0x20, 10, 0x40, 4, noSubheader);
  WriteBlocks(0, registry->GetTrackStartAddress(0, 1), Pattern(64, 2048, 1), 2048);
  EXPECT_TRUE(registry->SynchronizeCache(0));
  EXPECT_EQ(registry->CloseTrack(0, 1), 0);

  const std::uint8_t mpegSubheader[4] = {1, 1, 0x62, 0x0F};
  SetWriting(0, 1, 0x20, 13, 0x40, 4, mpegSubheader);
  std::vector<std::uint8_t> blocks = Pattern(40, 2332, 2);
  for (std::size_t block = 0; block < 40; ++block) {
    const bool empty = block < 5;
    const std::uint8_t subheader[8] = {1, static_cast<std::uint8_t>(empty ? 0 : 1),
                                       static_cast<std::uint8_t>(empty ? 0x60 : 0x62), static_cast<std::uint8_t>(empty ? 0 : 0x0F),
                                       1, static_cast<std::uint8_t>(empty ? 0 : 1),
                                       static_cast<std::uint8_t>(empty ? 0x60 : 0x62), static_cast<std::uint8_t>(empty ? 0 : 0x0F)};
    std::copy(subheader, subheader + 8, blocks.begin() + static_cast<std::ptrdiff_t>(block * 2332));
  }
  const std::int32_t second = registry->GetTrackStartAddress(0, 2);
  EXPECT_EQ(second, 64 + 2 + 150);
  WriteBlocks(0, second, blocks, 2332);
  EXPECT_TRUE(registry->SynchronizeCache(0));
  EXPECT_EQ(registry->CloseTrack(0, 2), 0);
  EXPECT_EQ(registry->CloseSession(0), 0);

  std::int32_t sessions = 0;
  std::int32_t lastTrack = 0;
  std::uint32_t status = 0;
  ASSERT_TRUE(registry->GetDiscInfo(0, &sessions, &lastTrack, &status));
  EXPECT_EQ(lastTrack, 2);
  EXPECT_NE(status & 0x1000u, 0u);  // CD-ROM XA
  EXPECT_NE(status & 0x4u, 0u);     // complete
  registry->EjectDisc(0);
  registry->CloseDevice(0);

  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(finished[0]), "");
  const ToolRun info = RunTool("cd-info --no-device-info --no-analyze --cue-file " + Quoted(finished[0]));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("CD DATA (Mode 2)"), std::string::npos) << info.output;
  EXPECT_EQ(CountOccurrences(info.output, " XA "), 2) << info.output;
  const ToolRun converted = RunTool("cd " + Quoted(folder.path()) + " && bchunk " + Quoted(BinOf(finished[0])) + " " +
                                Quoted(finished[0]) + " vcd");
  EXPECT_EQ(converted.status, 0) << converted.output;
  EXPECT_TRUE(fs::exists(folder.path() / "vcd02.iso")) << converted.output;
}

void Arm(VirtualRecorder& recorder, const char* text) {
  const auto fault = ParseFaultSpec(text);
  ASSERT_TRUE(fault.spec) << fault.error;
  recorder.ArmFault(*fault.spec);
}

TEST_F(RegistryBurn, TheLastOutcomeOfADriveKeepsItsSenseAndResidual) {
  ASSERT_TRUE(registry->OpenDevice(0));
  std::vector<std::uint8_t> data(2048);
  EXPECT_EQ(registry->WriteSectors(0, 1000, 1, 2048, data.data()), 2);
  EXPECT_EQ(prompt.questions, (std::vector<std::string>{"Error writing sector 1000.\nTry again?"}));
  EXPECT_EQ(registry->LastOutcome(0).Text(), "5/21/02 invalid address for write");
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
  EXPECT_TRUE(prompt.questions.empty());

  // A drive that never gets ready is not waited for without end: each try
  // waits a bounded time, then counts as failed, and the user is asked.
  sleeper.waits.clear();
  Arm(*recorders[0], "WRITE10:always:sense=2/04/01");
  EXPECT_EQ(registry->WriteSectors(0, 16, 1, 2048, sector.data()), 2);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(sleeper.Count(milliseconds(1000)), 3 * 120 + 2);
}

TEST_F(RegistryBurn, ABufferThatNeverDrainsIsWaitedForThirtySecondsThenWritten) {
  ASSERT_TRUE(registry->OpenDevice(0));
  SetWriting(0, 1, 0x00, 8, 0x00, 4);
  WriteBlocks(0, 0, Pattern(16, 2048, 1), 2048);
  sleeper.waits.clear();
  Arm(*recorders[0], "bufferfull:always");
  std::vector<std::uint8_t> data(2048);
  EXPECT_EQ(registry->WriteSectors(0, 16, 1, 2048, data.data()), 0);
  EXPECT_EQ(sleeper.Count(std::chrono::milliseconds(200)), 150);
  EXPECT_EQ(sleeper.waits.size(), 150u);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
