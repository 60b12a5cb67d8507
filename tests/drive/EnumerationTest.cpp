#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "tests/support/CountingSleeper.h"
#include "tests/drive/FakeTransport.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An INQUIRY response naming `model` (vendor and product, 8 + 16 bytes).
Bytes Inquiry(const std::string& model) {
  Bytes inquiry(100, ' ');
  std::copy(model.begin(), model.end(), inquiry.begin() + 8);
  return inquiry;
}

class Enumeration : public ::testing::Test {
 protected:
  // Enumerates over the providers added so far.
  DriveRegistry& Enumerate(bool succeeds = true) {
    std::vector<std::unique_ptr<DeviceProvider>> list;
    for (auto& provider : providers) list.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(list));
    EXPECT_EQ(registry->EnumerateDrives(), succeeds);
    return *registry;
  }
  FakeDeviceProvider& AddProvider() {
    return *providers.emplace_back(std::make_unique<FakeDeviceProvider>());
  }

  test::RecordingPrompt prompt;
  test::CountingSleeper sleeper;
  std::vector<std::unique_ptr<FakeDeviceProvider>> providers;
  std::unique_ptr<DriveRegistry> registry;
};

// Only a drive in the table opens (what a closed handle's commands do is in
// SectorTransfer.ReadAsksAfterThreeFailuresAndRetriesOnYes).
TEST_F(Enumeration, NoDevicesGivesAnEmptyListSilently) {
  AddProvider();
  DriveRegistry& registry = Enumerate();
  EXPECT_EQ(registry.accessMode, AccessMode::Spti);
  EXPECT_EQ(registry.driveCount, 0);
  EXPECT_EQ(registry.currentDrive, -1);
  EXPECT_TRUE(prompt.messages().empty());
  for (int index : {-1, 0, DriveRegistry::kMaxDrives})
    EXPECT_EQ(registry.Open(index).outcome().result, TransportResult::TransportFailure) << index;
}

TEST_F(Enumeration, ReadsModelInterfaceAndCapabilitiesThenClosesTheDevice) {
  auto device = AddProvider().AddDevice("sr0");
  Bytes configuration(100, 0), page(255, 0);
  configuration[15] = 2;
  page[8 + 3] = 0x31;
  for (const Bytes& reply : {Inquiry("ACME    DVD-RW Writer"), configuration, page})
    device->Reply(TransportResult::Good, reply);

  DriveRegistry& registry = Enumerate();
  ASSERT_EQ(registry.driveCount, 1);
  EXPECT_EQ(registry.currentDrive, 0);
  EXPECT_EQ(device->Opcodes(), (Bytes{0x12, 0x46, 0x5A}));
  EXPECT_FALSE(device->isOpen);
  EXPECT_EQ(device->closeCalls, 1);
  const Drive& drive = registry.drive(0);
  EXPECT_EQ(drive.displayName, "sr0: ACME     DVD-RW Writer   ");
  EXPECT_EQ(drive.devicePath, "/dev/sr0");
  EXPECT_EQ(drive.interfaceStandard, 2u);
  EXPECT_EQ((std::vector<int>{drive.canWriteCdR, drive.canWriteCdRw, drive.canWriteDvdR,
                              drive.canTestWrite, drive.canWriteDvdRam}),
            (std::vector<int>{1, 0, 1, 0, 1}));
  EXPECT_FALSE(registry.IsOpen(0));
  EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(Enumeration, FailingDevicesStayWithTheirPrefix) {
  FakeDeviceProvider& provider = AddProvider();
  auto closed = provider.AddDevice("sr0");
  closed->openSucceeds = false;
  provider.AddDevice("sr3")->responder = [](const RecordedCommand&) {
    return ScriptedReply{TransportResult::DeviceFailure, Bytes(255, 0xFF)};
  };

  DriveRegistry& registry = Enumerate();
  ASSERT_EQ(registry.driveCount, 2);
  EXPECT_TRUE(closed->commands.empty());
  ASSERT_EQ(prompt.messages().size(), 1u);  // only for the device that could not be opened
  EXPECT_EQ(prompt.messages()[0].text, "Can't Retrieve CD/DVD Device Model.");
  EXPECT_FALSE(registry.Open(0).ok());
  EXPECT_EQ(registry.drive(0).lastError, 1);
  for (int i : {0, 1}) {
    const Drive& drive = registry.drive(i);
    EXPECT_EQ(drive.displayName, i == 0 ? "sr0: " : "sr3: ");
    EXPECT_EQ(drive.interfaceStandard, 0u);
    EXPECT_EQ(drive.canWriteCdR + drive.canWriteCdRw + drive.canWriteDvdR + drive.canTestWrite +
                  drive.canWriteDvdRam,
              0);
  }
  EXPECT_EQ(registry.drive(1).lastError, 2);
}

// Enumeration only looks at a drive, so one that another program holds is
// still listed with its model; a job's open keeps the drive to itself, and
// a drive held elsewhere is refused with the message for a drive in use.
TEST_F(Enumeration, ListsADriveHeldElsewhereWhileOpeningForUseIsExclusive) {
  auto device = AddProvider().AddDevice("sr0");
  device->heldElsewhere = true;
  device->Reply(TransportResult::Good, Inquiry("ACME    Writer"));

  DriveRegistry& registry = Enumerate();
  EXPECT_EQ(registry.drive(0).displayName.rfind("sr0: ACME     Writer", 0), 0u);
  EXPECT_FALSE(device->isOpen);
  EXPECT_TRUE(prompt.messages().empty());

  const CommandOutcome held = registry.Open(0).outcome();
  EXPECT_TRUE(held.DeviceInUse());
  EXPECT_STREQ(OpenFailureText(held, "could not open"), kDriveInUseText);
  EXPECT_EQ(held.Text().rfind("transport failure: system error 16 (", 0), 0u);

  device->heldElsewhere = false;
  {
    DriveResult<DriveHandle> opened = registry.Open(0);
    ASSERT_TRUE(opened.ok());
    EXPECT_TRUE(device->openedExclusively);
    // A second handle in this process is refused as a drive in use, unsent.
    EXPECT_TRUE(registry.Open(0).outcome().DeviceInUse());
    EXPECT_EQ(device->openCalls, 3);  // enumeration, the refused open, this one
  }
  EXPECT_FALSE(registry.IsOpen(0));
  device->openSucceeds = false;
  EXPECT_STREQ(OpenFailureText(registry.Open(0).outcome(), "could not open"), "could not open");
}

TEST_F(Enumeration, ProvidersInOrderAndAtMostSixtyFourDrives) {
  FakeDeviceProvider& first = AddProvider();
  for (int i = 0; i < 40; ++i) first.AddDevice("a" + std::to_string(i));
  FakeDeviceProvider& second = AddProvider();
  std::vector<std::shared_ptr<FakeDeviceState>> secondDevices;
  for (int i = 0; i < 30; ++i) secondDevices.push_back(second.AddDevice("b" + std::to_string(i)));

  DriveRegistry& registry = Enumerate();
  ASSERT_EQ(registry.driveCount, DriveRegistry::kMaxDrives);
  EXPECT_EQ(registry.drive(0).displayName, "a0: ");
  EXPECT_EQ(registry.drive(40).displayName, "b0: ");
  EXPECT_EQ(registry.drive(63).displayName, "b23: ");
  EXPECT_EQ(secondDevices[24]->openCalls, 0);  // past the table: never touched
  ASSERT_TRUE(registry.EnumerateDrives());      // a second call changes nothing
  EXPECT_EQ(registry.driveCount, DriveRegistry::kMaxDrives);
  EXPECT_EQ(first.findCalls, 1);
}

TEST_F(Enumeration, HostAdapterDevicesAreNamedByModelAndSkippedWithoutOne) {
  FakeDeviceProvider& adapters = AddProvider();
  adapters.transport = {AccessMode::Aspi, true, 0x1F};
  auto silent = adapters.AddDevice("0:1");
  silent->Reply(TransportResult::DeviceFailure);  // INQUIRY
  adapters.AddDevice("1:4")->Reply(TransportResult::Good, Inquiry("ACME    CD-RW Writer"));
  AddProvider().AddDevice("virtual-cd");

  DriveRegistry& registry = Enumerate();
  EXPECT_EQ(registry.accessMode, AccessMode::Aspi);
  EXPECT_EQ(registry.aspiFunctions, 0x1F);
  ASSERT_EQ(registry.driveCount, 2);
  EXPECT_EQ(registry.drive(0).displayName, "ACME     CD-RW Writer    ");
  EXPECT_EQ(registry.drive(1).displayName, "virtual-cd: ");
  EXPECT_EQ(silent->closeCalls, 1);  // asked, closed and left out
  EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(Enumeration, AnUnusableHostAdapterLibraryFailsEnumerationButKeepsTheOtherDevices) {
  AddProvider().transport = {AccessMode::None, false, 0x03};
  AddProvider().AddDevice("virtual-cd");
  DriveRegistry& registry = Enumerate(false);
  EXPECT_EQ(registry.accessMode, AccessMode::None);
  EXPECT_EQ(registry.driveCount, 1);
  EXPECT_EQ(registry.currentDrive, 0);
  EXPECT_FALSE(registry.EnumerateDrives());  // the result stands; nothing is enumerated again
  EXPECT_EQ(registry.driveCount, 1);
}

}  // namespace
}  // namespace brenmark::testing
