#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/TracingTransport.h"
#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/RecordingTrace.h"
#include "tests/support/TempFolder.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::testsupport {

// The two virtual recorders, kept in a temporary folder, as the only drives of a
// registry that has enumerated them: drive 0 records CDs, drive 1 DVDs. Their
// commands are traced.
template <typename Prompt = test::RecordingPrompt>
class VirtualRecorderRegistry : public ::testing::Test {
 protected:
  static constexpr int kCdDrive = 0;
  static constexpr int kDvdDrive = 1;

  void SetUp() override {
    auto provider = std::make_unique<virtualdrive::VirtualRecorderProvider>(folder.path() / "recorders");
    recorders = provider->recorders();
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<TracingDeviceProvider>(std::move(provider), trace));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
  }

  TempFolder folder{"recorders"};
  Prompt prompt;
  test::CountingSleeper sleeper;
  std::shared_ptr<test::RecordingTrace> trace = std::make_shared<test::RecordingTrace>();
  std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>> recorders;
  std::unique_ptr<DriveRegistry> registry;
};

}  // namespace brenmark::testsupport
