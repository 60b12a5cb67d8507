#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "drive/DriveRegistry.h"
#include "tests/support/CountingSleeper.h"
#include "tests/drive/FakeTransport.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark::testing {

// A registry that enumerated one scripted drive, with the enumeration's
// commands and messages forgotten.
class RegistryWithOneEnumeratedDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    auto provider = std::make_unique<FakeDeviceProvider>();
    device = provider->AddDevice("sr0");
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
    device->commands.clear();
    prompt.Forget();
  }

  test::RecordingPrompt prompt;
  test::CountingSleeper sleeper;
  std::shared_ptr<FakeDeviceState> device;
  std::unique_ptr<DriveRegistry> registry;
};

// The same drive, opened.
class RegistryWithOneDrive : public RegistryWithOneEnumeratedDrive {
 protected:
  void SetUp() override {
    RegistryWithOneEnumeratedDrive::SetUp();
    DriveResult<DriveHandle> opened = registry->Open(0);
    ASSERT_TRUE(opened.ok());
    drive.emplace(std::move(*opened));
    device->commands.clear();
  }

  const RecordedCommand& OnlyCommand() const {
    EXPECT_EQ(device->commands.size(), 1u);
    return device->commands.back();
  }

  std::optional<DriveHandle> drive;
};

}  // namespace brenmark::testing
