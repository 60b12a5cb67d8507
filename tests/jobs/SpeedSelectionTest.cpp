#include "jobs/SpeedSelection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/drive/CapabilityPageBytes.h"
#include "tests/drive/FakeTransport.h"
#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark {
namespace {

using ::testing::IsEmpty;

// Drives that answer the capabilities page with their speeds and every other command with nothing.
struct SpeedFixture {
  SpeedFixture(std::initializer_list<std::vector<std::uint32_t>> drives) {
    auto provider = std::make_unique<testing::FakeDeviceProvider>();
    for (const auto& speeds : drives) {
      devices.push_back(provider->AddDevice("sr" + std::to_string(devices.size())));
      const std::vector<std::uint8_t> page = testing::CapabilityPage().Descriptors(speeds).bytes;
      devices.back()->responder = [page](const testing::RecordedCommand& command) {
        return testing::ScriptedReply{TransportResult::Good, command.opcode() == 0x5A ? page : std::vector<std::uint8_t>{}};
      };
    }
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    registry->EnumerateDrives();
  }

  std::vector<std::shared_ptr<testing::FakeDeviceState>> devices;
  test::RecordingPrompt prompt;
  test::NoSleep sleeper;
  std::unique_ptr<DriveRegistry> registry;
  DriveLeases leases;
};

// Fastest first, the first selected, in the units of the speed the drive
// delivered first: 2770 % 1385 == 0 makes the last list DVD speeds although
// 176 comes later.
TEST(SpeedSelection, ListsTheDrivesSpeedsInTheUnitsOfTheFirst) {
  const std::pair<std::vector<std::uint32_t>, std::vector<std::string>> lists[] = {
      {{1385, 2770, 5540}, {"4x DVD (5540 KB/Sec)", "2x DVD (2770 KB/Sec)", "1x DVD (1385 KB/Sec)"}},
      {{7056, 1411, 4234}, {"40x CD (7056 KB/Sec)", "24x CD (4234 KB/Sec)", "8x CD (1411 KB/Sec)"}},
      {{2770, 176}, {"2x DVD (2770 KB/Sec)", "0x DVD (176 KB/Sec)"}},
  };
  for (const auto& [speeds, entries] : lists) {
    SpeedFixture fixture{speeds};
    SpeedSelection selection;
    ASSERT_EQ(selection.Load(*fixture.registry, 0, fixture.leases), SpeedSelection::LoadResult::Loaded);
    EXPECT_EQ(selection.entries(), entries);
    EXPECT_EQ(selection.dvdUnits(), entries[0].find("DVD") != std::string::npos) << entries[0];
    EXPECT_EQ(selection.initialSelection(), 0);
    EXPECT_FALSE(fixture.registry->IsOpen(0));
  }
}

TEST(SpeedSelection, BurnStoresTheChosenSpeedAndWhetherTheDiscStaysOpen) {
  SpeedFixture fixture{{7056, 1411, 4234}};
  SpeedSelection selection;
  selection.Load(*fixture.registry, 0, fixture.leases);
  JobState state;
  state.multiSession = 1;
  selection.Burn(state, 1);
  EXPECT_EQ(state.writeSpeed, 4234u);
  EXPECT_EQ(state.multiSession, 0);
  selection.Burn(state, 1, /*leaveDiscOpen=*/true);
  EXPECT_EQ(state.multiSession, 1);
}

TEST(SpeedSelection, SortsOnlyTheFirstFiftySpeeds) {
  std::vector<std::uint32_t> speeds;
  for (std::uint32_t i = 1; i <= 52; ++i) speeds.push_back(176 * i);
  SpeedFixture fixture{speeds};
  SpeedSelection selection;
  selection.Load(*fixture.registry, 0, fixture.leases);
  ASSERT_EQ(selection.speeds().size(), 52u);
  EXPECT_EQ(selection.speeds()[0], 176u * 50);
  EXPECT_EQ(selection.speeds()[49], 176u);
  EXPECT_EQ(selection.speeds()[50], 176u * 51);
  EXPECT_EQ(selection.speeds()[51], 176u * 52);
}

TEST(SpeedSelection, NoDriveGivesAnEmptyListWithoutTouchingTheRegistry) {
  SpeedFixture fixture{{7056}};
  const auto commandsAfterEnumeration = fixture.devices[0]->commands.size();
  const int opensAfterEnumeration = fixture.devices[0]->openCalls;
  SpeedSelection selection;
  EXPECT_EQ(selection.Load(*fixture.registry, -1, fixture.leases), SpeedSelection::LoadResult::Loaded);
  EXPECT_THAT(selection.entries(), IsEmpty());
  EXPECT_EQ(selection.initialSelection(), -1);
  EXPECT_EQ(fixture.devices[0]->commands.size(), commandsAfterEnumeration);
  EXPECT_EQ(fixture.devices[0]->openCalls, opensAfterEnumeration);

  JobState state;
  selection.Burn(state, selection.initialSelection());
  EXPECT_EQ(state.writeSpeed, 705u);
}

TEST(SpeedSelection, ABusyDriveIsNotQueried) {
  SpeedFixture fixture{{7056}};
  auto jobLease = fixture.leases.TryAcquire(0);
  ASSERT_TRUE(jobLease);
  const auto commandsBefore = fixture.devices[0]->commands.size();
  SpeedSelection selection;
  EXPECT_EQ(selection.Load(*fixture.registry, 0, fixture.leases), SpeedSelection::LoadResult::DriveBusy);
  EXPECT_THAT(selection.entries(), IsEmpty());
  EXPECT_EQ(fixture.devices[0]->commands.size(), commandsBefore);
  // The speed dialog's own lease is gone again.
  jobLease.reset();
  EXPECT_FALSE(fixture.leases.IsBusy(0));
}

}  // namespace
}  // namespace brenmark
