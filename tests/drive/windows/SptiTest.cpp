#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/windows/SptiDeviceProvider.h"
#include "drive/windows/SptiTransport.h"
#include "platform/Utf8Path.h"
#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark::testing {
namespace {

// The test system has no CD drive letter.
TEST(SptiProvider, ASystemWithoutCdDrivesListsNoneSilently) {
  test::RecordingPrompt prompt;
  test::CountingSleeper sleeper;
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  providers.push_back(std::make_unique<windows::SptiDeviceProvider>());
  DriveRegistry registry(prompt, sleeper, std::move(providers));
  EXPECT_TRUE(registry.EnumerateDrives());
  EXPECT_EQ(registry.accessMode, AccessMode::Spti);
  EXPECT_EQ(registry.driveCount, 0);
  EXPECT_EQ(registry.currentDrive, -1);
  EXPECT_TRUE(prompt.messages().empty());
}

TEST(SptiTransport, FailuresToReachADeviceAreTransportFailures) {
  const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 100, 0};
  std::uint8_t reply[100] = {};
  const ScsiRequest request{inquiry, 6, DataDirection::In, reply, 100, 10};

  windows::SptiTransport missing("\\\\.\\Q:");
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(missing.Execute(request).result, TransportResult::TransportFailure);

  // An ordinary file opens, but the system refuses the pass-through on it.
  const auto file = std::filesystem::temp_directory_path() /
                    ("brenmark-spti-" + std::to_string(GetCurrentProcessId()));
  std::ofstream(file) << "not a drive";
  windows::SptiTransport notADrive(platform::Utf8FromPath(file));
  ASSERT_TRUE(notADrive.Open());
  EXPECT_EQ(notADrive.Execute(request).result, TransportResult::TransportFailure);
  notADrive.Close();
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace brenmark::testing
