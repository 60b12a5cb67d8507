#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drive/DriveRegistry.h"
#include "tests/drive/CountingSleeper.h"
#include "tests/drive/FakeTransport.h"
#include "tests/drive/FakeUserPrompt.h"

namespace brenmark::testing {

// A registry that enumerated one scripted drive, opened, with the enumeration's
// commands forgotten.
class RegistryWithOneDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    auto provider = std::make_unique<FakeDeviceProvider>();
    device = provider->AddDevice("sr0");
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
    ASSERT_TRUE(registry->OpenDevice(0));
    device->commands.clear();
  }

  const RecordedCommand& OnlyCommand() const {
    EXPECT_EQ(device->commands.size(), 1u);
    return device->commands.back();
  }

  FakeUserPrompt prompt;
  CountingSleeper sleeper;
  std::shared_ptr<FakeDeviceState> device;
  std::unique_ptr<DriveRegistry> registry;
};

}  // namespace brenmark::testing
