#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "tests/drive/CountingSleeper.h"
#include "tests/drive/FakeUserPrompt.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/VirtualRecorderProvider.h"

// The command set against the built-in recorder, which reads every command
// block on its own: both sides have to agree on the bytes.
namespace brenmark::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class VirtualRecorderCommandSet : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("brenmark-drive-vr-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    auto owned = std::make_unique<virtualdrive::VirtualRecorderProvider>(folder);
    provider = owned.get();
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(owned));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
    ASSERT_TRUE(registry->OpenDevice(kCd));
  }
  void TearDown() override {
    registry.reset();
    fs::remove_all(folder);
  }

  virtualdrive::VirtualRecorder& CdRecorder() { return *provider->recorders()[0]; }

  // Sets a blank CD-R up for a Mode 1 track at once and writes `blocks`
  // numbered sectors from block 0.
  void WriteDataTrack(int blocks) {
    ASSERT_EQ(registry->SetSpeed(kCd, 7056, 0), 0);
    std::array<std::uint8_t, 64> parameters{};
    ASSERT_EQ(registry->ModeSense(kCd, 0x05, 64, parameters.data()), 0);
    ASSERT_EQ(registry->SetWriteParameters(kCd, 64, parameters.data(), 1, 1, 0x00, 8, 0x00, 4,
                                           nullptr),
              0);
    ASSERT_EQ(registry->GetTrackStartAddress(kCd, 1), 0);
    for (int lba = 0; lba < blocks; lba += 16) {
      Bytes data(16 * 2048);
      for (int b = 0; b < 16; ++b) data[static_cast<std::size_t>(b) * 2048] = std::uint8_t(lba + b);
      ASSERT_EQ(registry->WriteSectors(kCd, lba, 16, 2048, data.data()), 0);
    }
  }

  static constexpr int kCd = 0;
  fs::path folder;
  FakeUserPrompt prompt;
  CountingSleeper sleeper;
  virtualdrive::VirtualRecorderProvider* provider = nullptr;
  std::unique_ptr<DriveRegistry> registry;
};

TEST_F(VirtualRecorderCommandSet, EnumerationReadsModelAndCapabilities) {
  ASSERT_EQ(registry->driveCount, 2);
  EXPECT_EQ(registry->currentDrive, 0);
  const Drive& cd = registry->drive(kCd);
  EXPECT_EQ(cd.displayName.rfind("virtual-cd: Brenmark", 0), 0u) << cd.displayName;
  EXPECT_EQ(cd.displayName.size(), std::string("virtual-cd: ").size() + 25);
  EXPECT_EQ(cd.interfaceStandard, 2u);
  EXPECT_EQ(cd.canWriteCdR, 1);
  EXPECT_EQ(registry->drive(1).canWriteDvdR, 1);
  EXPECT_TRUE(prompt.messages.empty());

  std::uint32_t mask = 0, bufferSize = 0;
  std::uint8_t mechanism = 0;
  std::array<std::uint32_t, 100> speeds{};
  ASSERT_TRUE(registry->GetCapabilities(kCd, &mask, &mechanism, &bufferSize, speeds));
  EXPECT_EQ(std::vector<std::uint32_t>(speeds.begin(), speeds.begin() + 8),
            (std::vector<std::uint32_t>{8467, 7056, 5645, 4234, 2822, 1411, 706, 0}));
  EXPECT_NE(mask & capability::kWritesCdR, 0u);
  EXPECT_GT(bufferSize, 0u);
}

TEST_F(VirtualRecorderCommandSet, BlankDiscReadings) {
  EXPECT_TRUE(registry->IsMediaPresent(kCd) && registry->IsDiscBlank(kCd));
  EXPECT_FALSE(registry->IsDiscAppendable(kCd));
  EXPECT_EQ(registry->GetLastTrackNumber(kCd), 1);
  EXPECT_EQ(registry->GetDiscCapacity(kCd), 359999);
  std::int32_t sessions = 0, lastTrack = 0;
  std::uint32_t status = 0;
  ASSERT_TRUE(registry->GetDiscInfo(kCd, &sessions, &lastTrack, &status));
  EXPECT_EQ(sessions * 100 + lastTrack, 101);
  EXPECT_EQ(status & 0x0F, 0x1u);  // blank
  EXPECT_FALSE(registry->ReadSessions(kCd));  // no table of contents yet
}

TEST_F(VirtualRecorderCommandSet, BurnsADataTrackAndReadsItBack) {
  WriteDataTrack(32);
  ASSERT_TRUE(registry->SynchronizeCache(kCd));
  ASSERT_EQ(registry->CloseTrack(kCd, 1), 0);
  ASSERT_EQ(registry->CloseSession(kCd), 0);

  EXPECT_FALSE(registry->IsDiscBlank(kCd));
  EXPECT_FALSE(registry->IsDiscAppendable(kCd));
  ASSERT_TRUE(registry->ReadSessions(kCd));
  ASSERT_EQ(registry->discToc.sessionCount(), 1);
  const TocSession& session = registry->discToc.sessions[0];
  ASSERT_EQ(session.trackCount(), 1);
  EXPECT_EQ(session.tracks[0].audio, 0);
  EXPECT_EQ(session.TrackStart(0), 150);
  EXPECT_EQ(session.TrackLength(0), 32 + 2);  // the two run-out blocks count
  EXPECT_EQ(registry->ReadCapacity(kCd), session.LeadOut() - 150 - 1);

  Bytes sector(2048, 0xAA);
  ASSERT_EQ(registry->ReadSectors(kCd, 21, 1, sector.data(), 2048, 0x10), 0);
  EXPECT_EQ(Bytes(sector.begin(), sector.begin() + 2), (Bytes{21, 0}));

  std::array<std::uint8_t, 1200> toc{};
  ASSERT_TRUE(registry->ReadToc(kCd, static_cast<int>(toc.size()), toc.data()));
  EXPECT_GT(toc[1], 2);
  EXPECT_TRUE(registry->EjectDisc(kCd));
}

TEST_F(VirtualRecorderCommandSet, RetriesRideOverFailuresTheRecorderReports) {
  virtualdrive::FaultSpec fault;
  fault.opcode = 0x2A;
  fault.count = 2;
  CdRecorder().ArmFault(fault);
  WriteDataTrack(16);
  EXPECT_EQ(sleeper.Count(1000ms), 2);
  EXPECT_TRUE(prompt.questions.empty());

  // A write away from the next writable address is refused every time.
  Bytes data(2048);
  EXPECT_EQ(registry->WriteSectors(kCd, 1000, 1, 2048, data.data()), 2);
  EXPECT_EQ(prompt.questions, (std::vector<std::string>{"Error writing sector 1000.\nTry again?"}));

  virtualdrive::FaultSpec full;
  full.kind = virtualdrive::FaultSpec::Kind::BufferFull;
  full.count = 3;
  CdRecorder().ArmFault(full);
  sleeper.waits.clear();
  EXPECT_EQ(registry->WriteSectors(kCd, 16, 1, 2048, data.data()), 0);
  EXPECT_EQ(sleeper.Count(200ms), 3);
}

void Arm(virtualdrive::VirtualRecorder& recorder, const char* text) {
  const auto fault = virtualdrive::ParseFaultSpec(text);
  ASSERT_TRUE(fault.spec) << fault.error;
  recorder.ArmFault(*fault.spec);
}

TEST_F(VirtualRecorderCommandSet, TheLastOutcomeOfADriveKeepsItsSenseAndResidual) {
  Bytes data(2048);
  EXPECT_EQ(registry->WriteSectors(kCd, 1000, 1, 2048, data.data()), 2);
  EXPECT_EQ(registry->LastOutcome(kCd).Text(), "5/21/02 invalid address for write");
  std::int32_t sessions = 0;
  ASSERT_TRUE(registry->GetDiscInfo(kCd, &sessions, nullptr, nullptr));
  EXPECT_TRUE(registry->LastOutcome(kCd).good());
  EXPECT_GT(registry->LastOutcome(kCd).residual, 0u);  // 256 bytes asked, fewer given
  EXPECT_EQ(registry->LastOutcome(-1).result, TransportResult::TransportFailure);

  Arm(CdRecorder(), "STARTSTOPUNIT");
  EXPECT_FALSE(registry->EjectDisc(kCd));  // what the drive answered, not a blanket yes
  EXPECT_TRUE(registry->EjectDisc(kCd));
}

TEST_F(VirtualRecorderCommandSet, ADriveThatIsBecomingReadyIsWaitedForWithoutUsingUpTries) {
  Arm(CdRecorder(), "WRITE10:count=4:sense=2/04/08");
  Arm(CdRecorder(), "READCD:count=2:sense=2/04/01");
  WriteDataTrack(16);
  Bytes sector(2048);
  ASSERT_EQ(registry->ReadSectors(kCd, 0, 1, sector.data(), 2048, 0x10), 0);
  EXPECT_EQ(sleeper.Count(1000ms), 6);
  EXPECT_TRUE(prompt.questions.empty());

  // A drive that never gets ready is not waited for without end: each try
  // waits a bounded time, then counts as failed, and the user is asked.
  sleeper.waits.clear();
  Arm(CdRecorder(), "WRITE10:always:sense=2/04/01");
  EXPECT_EQ(registry->WriteSectors(kCd, 16, 1, 2048, sector.data()), 2);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(sleeper.Count(1000ms), 3 * 120 + 2);
}

TEST_F(VirtualRecorderCommandSet, ABufferThatNeverDrainsIsWaitedForThirtySecondsThenWritten) {
  WriteDataTrack(16);
  sleeper.waits.clear();
  Arm(CdRecorder(), "bufferfull:always");
  Bytes data(2048);
  EXPECT_EQ(registry->WriteSectors(kCd, 16, 1, 2048, data.data()), 0);
  EXPECT_EQ(sleeper.Count(200ms), 150);
  EXPECT_EQ(sleeper.waits.size(), 150u);
}

}  // namespace
}  // namespace brenmark::testing
