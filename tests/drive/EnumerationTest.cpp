#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "tests/drive/CountingSleeper.h"
#include "tests/drive/FakeTransport.h"
#include "tests/drive/FakeUserPrompt.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes InquiryResponse(const std::string& vendor, const std::string& product) {
  Bytes response(100, ' ');
  std::copy(vendor.begin(), vendor.end(), response.begin() + 8);
  std::copy(product.begin(), product.end(), response.begin() + 16);
  return response;
}

class Enumeration : public ::testing::Test {
 protected:
  DriveRegistry& Registry() {
    if (!registry_) {
      std::vector<std::unique_ptr<DeviceProvider>> list;
      for (auto& provider : providers) list.push_back(std::move(provider));
      registry_ = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(list));
    }
    return *registry_;
  }
  FakeDeviceProvider& AddProvider() {
    providers.push_back(std::make_unique<FakeDeviceProvider>());
    return *providers.back();
  }

  FakeUserPrompt prompt;
  CountingSleeper sleeper;
  std::vector<std::unique_ptr<FakeDeviceProvider>> providers;

 private:
  std::unique_ptr<DriveRegistry> registry_;
};

TEST_F(Enumeration, NoDevicesGivesAnEmptyListSilently) {
  AddProvider();
  DriveRegistry& registry = Registry();
  EXPECT_TRUE(registry.EnumerateDrives());
  EXPECT_EQ(registry.accessMode, AccessMode::Spti);
  EXPECT_EQ(registry.driveCount, 0);
  EXPECT_EQ(registry.currentDrive, -1);
  EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Enumeration, ReadsModelInterfaceAndCapabilitiesThenClosesTheDevice) {
  auto device = AddProvider().AddDevice("sr0");
  device->Reply(TransportResult::Good, InquiryResponse("ACME", "DVD-RW Writer"));
  Bytes configuration(100, 0);
  configuration[15] = 2;
  device->Reply(TransportResult::Good, configuration);
  Bytes page(255, 0);
  page[8 + 3] = 0x31;
  device->Reply(TransportResult::Good, page);

  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  ASSERT_EQ(registry.driveCount, 1);
  EXPECT_EQ(registry.currentDrive, 0);
  EXPECT_EQ(device->Opcodes(), (Bytes{0x12, 0x46, 0x5A}));
  EXPECT_FALSE(device->isOpen);
  EXPECT_EQ(device->closeCalls, 1);

  const Drive& drive = registry.drive(0);
  EXPECT_EQ(drive.displayName, "sr0: ACME     DVD-RW Writer   ");
  EXPECT_EQ(drive.devicePath, "/dev/sr0");
  EXPECT_EQ(drive.interfaceStandard, 2u);
  EXPECT_EQ(drive.canWriteCdR, 1);
  EXPECT_EQ(drive.canWriteCdRw, 0);
  EXPECT_EQ(drive.canWriteDvdR, 1);
  EXPECT_EQ(drive.canTestWrite, 0);
  EXPECT_EQ(drive.canWriteDvdRam, 1);
  EXPECT_FALSE(drive.isOpen);
  EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Enumeration, FailedQueriesKeepThePrefixAndClearFlags) {
  auto device = AddProvider().AddDevice("sr3");
  device->responder = [](const RecordedCommand&) {
    return ScriptedReply{TransportResult::DeviceFailure, Bytes(255, 0xFF)};
  };
  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  const Drive& drive = registry.drive(0);
  EXPECT_EQ(drive.displayName, "sr3: ");
  EXPECT_EQ(drive.interfaceStandard, 0u);
  EXPECT_EQ(drive.canWriteCdR + drive.canWriteCdRw + drive.canWriteDvdR + drive.canTestWrite +
                drive.canWriteDvdRam,
            0);
  EXPECT_EQ(drive.lastError, 2);
}

TEST_F(Enumeration, DeviceThatCannotBeOpenedStaysWithItsPrefix) {
  FakeDeviceProvider& provider = AddProvider();
  auto closed = provider.AddDevice("sr0");
  closed->openSucceeds = false;
  auto working = provider.AddDevice("sr1");
  working->Reply(TransportResult::Good, InquiryResponse("VENDOR", "PRODUCT"));

  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  ASSERT_EQ(registry.driveCount, 2);
  EXPECT_EQ(registry.drive(0).displayName, "sr0: ");
  EXPECT_EQ(registry.drive(0).interfaceStandard, 0u);
  EXPECT_TRUE(closed->commands.empty());
  EXPECT_EQ(registry.drive(1).displayName, "sr1: VENDOR   PRODUCT         ");
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].text, "Can't Retrieve CD/DVD Device Model.");

  EXPECT_FALSE(registry.OpenDevice(0));
  EXPECT_EQ(registry.drive(0).lastError, 1);
}

TEST_F(Enumeration, ProvidersInOrderAndAtMostSixtyFourDrives) {
  FakeDeviceProvider& first = AddProvider();
  for (int i = 0; i < 40; ++i) first.AddDevice("a" + std::to_string(i));
  FakeDeviceProvider& second = AddProvider();
  std::vector<std::shared_ptr<FakeDeviceState>> secondDevices;
  for (int i = 0; i < 30; ++i) secondDevices.push_back(second.AddDevice("b" + std::to_string(i)));

  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  ASSERT_EQ(registry.driveCount, DriveRegistry::kMaxDrives);
  EXPECT_EQ(registry.drive(0).displayName, "a0: ");
  EXPECT_EQ(registry.drive(40).displayName, "b0: ");
  EXPECT_EQ(registry.drive(63).displayName, "b23: ");
  EXPECT_EQ(secondDevices[24]->openCalls, 0);  // past the table: never touched

  ASSERT_TRUE(registry.EnumerateDrives());  // a second call changes nothing
  EXPECT_EQ(registry.driveCount, DriveRegistry::kMaxDrives);
  EXPECT_EQ(first.findCalls, 1);
}

TEST_F(Enumeration, OperationsRefuseIndexesOutsideTheTable) {
  auto device = AddProvider().AddDevice("sr0");
  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  ASSERT_TRUE(registry.OpenDevice(0));
  device->commands.clear();

  Bytes buffer(4096);
  std::uint32_t mask = 9;
  for (int index : {-1, 1, 64}) {
    EXPECT_FALSE(registry.OpenDevice(index));
    EXPECT_FALSE(registry.IsMediaPresent(index));
    EXPECT_FALSE(registry.ReadToc(index, 100, buffer.data()));
    EXPECT_NE(registry.SetWriteParameters(index, 64, buffer.data(), 1, 1, 0, 8, 0, 4, nullptr),
              0);
    EXPECT_FALSE(registry.EjectDisc(index));
    EXPECT_FALSE(registry.GetCapabilities(index, &mask, nullptr, nullptr, {}));
    EXPECT_EQ(registry.ReadSectors(index, 0, 1, buffer.data(), 2048, 0x10), 2);
    EXPECT_EQ(registry.WriteSectors(index, 0, 1, 2048, buffer.data()), 2);
    EXPECT_EQ(registry.WriteSectors12(index, 0, 1, 2048, buffer.data()), 2);
  }
  EXPECT_TRUE(device->commands.empty());
  EXPECT_TRUE(prompt.questions.empty());
}

TEST_F(Enumeration, CommandsNeedAnOpenDevice) {
  auto device = AddProvider().AddDevice("sr0");
  DriveRegistry& registry = Registry();
  ASSERT_TRUE(registry.EnumerateDrives());
  device->commands.clear();

  EXPECT_FALSE(registry.IsMediaPresent(0));
  EXPECT_EQ(registry.CloseSession(0), 1);  // transport failure
  ASSERT_TRUE(registry.OpenDevice(0));
  EXPECT_TRUE(registry.IsMediaPresent(0));
  EXPECT_TRUE(registry.CloseDevice(0));
  EXPECT_FALSE(registry.IsMediaPresent(0));
  EXPECT_EQ(device->commands.size(), 1u);
  EXPECT_TRUE(registry.EjectDisc(0));  // true for any index in the table
}

}  // namespace
}  // namespace brenmark::testing
