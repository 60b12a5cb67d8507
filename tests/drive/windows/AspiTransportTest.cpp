#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/windows/AspiDeviceProvider.h"
#include "drive/windows/AspiLibrary.h"
#include "drive/windows/AspiTransport.h"
#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark::testing {
namespace {

namespace fs = std::filesystem;

// The test library beside this program stands in for the system's: two host
// adapters with the virtual recorders behind them.
class AspiTransportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = fs::temp_directory_path() / ("brenmark-aspi-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder_);
    SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_FOLDER", folder_.wstring().c_str());
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_STALL", nullptr);
    SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_LATE", nullptr);
  }

  DriveRegistry& Enumerate() {
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<windows::AspiDeviceProvider>(prompt));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    enumerated = registry->EnumerateDrives();
    return *registry;
  }

  static inline fs::path folder_;
  test::RecordingPrompt prompt;
  test::CountingSleeper sleeper;
  std::unique_ptr<DriveRegistry> registry;
  bool enumerated = false;
};

TEST_F(AspiTransportTest, EnumeratesTheCdDevicesOfEveryAdapterInOrder) {
  DriveRegistry& drives = Enumerate();
  EXPECT_TRUE(enumerated);
  EXPECT_TRUE(prompt.messages().empty());
  EXPECT_EQ(drives.accessMode, AccessMode::Aspi);
  EXPECT_EQ(drives.aspiFunctions, 0x1F);
  ASSERT_EQ(drives.driveCount, 2);  // the disk at adapter 0, target 1 is no CD device
  EXPECT_EQ(drives.currentDrive, 0);
  const int addresses[2][2] = {{0, 3}, {1, 0}};
  for (int i : {0, 1}) {
    const Drive& drive = drives.drive(i);
    EXPECT_EQ(drive.haId, addresses[i][0]);
    EXPECT_EQ(drive.targetId, addresses[i][1]);
    EXPECT_EQ(drive.displayName.rfind("Brenmark Virtual ", 0), 0u) << drive.displayName;
    EXPECT_EQ(drive.interfaceStandard, 2u) << drive.displayName;  // ATAPI
  }
  EXPECT_EQ(drives.drive(0).canWriteCdRw, 1);
  EXPECT_EQ(drives.drive(1).canWriteDvdR, 1);
}

TEST_F(AspiTransportTest, DataComesBackAndRefusalsCarryTheirSense) {
  DriveRegistry& drives = Enumerate();
  ASSERT_GE(drives.driveCount, 1);
  DriveResult<DriveHandle> opened = drives.Open(0);
  ASSERT_TRUE(opened.ok());
  DriveHandle& drive = *opened;
  std::uint32_t speeds[8] = {};
  const DriveResult<DriveCapabilities> capabilities = drive.GetCapabilities(speeds);
  ASSERT_TRUE(capabilities.ok());
  EXPECT_NE(capabilities->mask & capability::kWritesCdR, 0u);
  EXPECT_NE(speeds[0], 0u);

  // READ CD of a sector past the end of a blank disc: refused at once, and
  // the user's No gives the refusal back.
  std::vector<std::uint8_t> sector(2352);
  const CommandOutcome refused = drive.ReadSectors(0x1000, 1, sector.data(), 2352, 0x10).outcome();
  EXPECT_EQ(refused.result, TransportResult::DeviceFailure);
  ASSERT_TRUE(refused.sense.has_value());
  EXPECT_EQ(refused.sense->key, 5);
  drive.Close();
  EXPECT_EQ(drive.ReadSectors(0x1000, 1, sector.data(), 2352, 0x10).outcome().result,
            TransportResult::TransportFailure);  // closed
}

// The requests below are given one second instead of the commands' own time-outs.
std::uint32_t OneSecond(const ScsiRequest&) { return 1; }

constexpr std::uint8_t kInquiry[6] = {0x12, 0, 0, 0, 96, 0};

TEST_F(AspiTransportTest, ARequestThatNeverCompletesEndsAtItsTimeOut) {
  std::uint8_t mask = 0;
  auto library = windows::AspiLibrary::Load(prompt, mask);
  ASSERT_TRUE(library);
  windows::AspiTransport transport(library, 0, 3, 0, &OneSecond);
  ASSERT_TRUE(transport.Open());
  SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_STALL", L"35");
  const std::uint8_t synchronize[10] = {0x35};
  const auto start = std::chrono::steady_clock::now();
  const CommandOutcome outcome = transport.Execute(ScsiRequest{synchronize, 10, DataDirection::None, nullptr, 0, 6000});
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(outcome.result, TransportResult::TransportFailure);
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(60));  // not the command's own 6000 s

  // The given-up request is kept by the library; the drive goes on working.
  SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_STALL", nullptr);
  std::uint8_t reply[96] = {};
  EXPECT_TRUE(transport.Execute(ScsiRequest{kInquiry, 6, DataDirection::In, reply, 96, 10}).good());
  EXPECT_EQ(reply[0], 0x05);  // a CD/DVD device
}

// A count the test library keeps (its completions, or those whose event was
// gone); all ones when it is not loaded.
DWORD LibraryCount(const char* name) {
  using Counter = DWORD(__cdecl*)();
  const auto counter =
      reinterpret_cast<Counter>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"wnaspi32.dll"), name)));
  return counter != nullptr ? counter() : DWORD{0xFFFFFFFF};
}

// A request given up that the library completes later still has its block,
// data and event, even once its transport and the library's last user are gone.
TEST_F(AspiTransportTest, ALateCompletionFindsItsGivenUpRequestWhole) {
  DWORD completed = 0, lost = 0;
  {
    std::uint8_t mask = 0;
    auto library = windows::AspiLibrary::Load(prompt, mask);
    ASSERT_TRUE(library);
    completed = LibraryCount("BrenmarkTestCompletions");
    lost = LibraryCount("BrenmarkTestLostCompletions");
    windows::AspiTransport transport(std::move(library), 0, 3, 0, &OneSecond);
    ASSERT_TRUE(transport.Open());
    SetEnvironmentVariableW(L"BRENMARK_TEST_ASPI_LATE", L"12");
    std::uint8_t reply[96] = {};
    EXPECT_EQ(transport.Execute(ScsiRequest{kInquiry, 6, DataDirection::In, reply, 96, 10}).result,
              TransportResult::TransportFailure);
  }
  for (int tenths = 0; tenths < 600 && LibraryCount("BrenmarkTestCompletions") == completed; ++tenths) Sleep(100);
  EXPECT_EQ(LibraryCount("BrenmarkTestCompletions"), completed + 1);
  EXPECT_EQ(LibraryCount("BrenmarkTestLostCompletions"), lost);
}

}  // namespace
}  // namespace brenmark::testing
