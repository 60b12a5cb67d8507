#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::virtualdrive::testing {
namespace {

TEST(VirtualRecorderProvider, OffersTheCdRecorderThenTheDvdRecorder) {
  TempFolder folder;
  VirtualRecorderProvider provider(folder.path());
  auto devices = provider.FindDevices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].shortName, "virtual-cd");
  EXPECT_EQ(devices[1].shortName, "virtual-dvd");

  // Commands reach the recorder only between Open and Close.
  std::vector<std::uint8_t> inquiry(36, 0);
  const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
  const ScsiRequest request{cdb, 6, DataDirection::In, inquiry.data(), 36};
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::TransportFailure);
  ASSERT_TRUE(devices[1].transport->Open());
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::Good);
  EXPECT_EQ(std::string(inquiry.begin() + 16, inquiry.begin() + 32), "Virtual DVD-R   ");
  devices[1].transport->Close();
  EXPECT_EQ(devices[1].transport->Execute(request), TransportResult::TransportFailure);

  // The tray of the recorder behind the transport is the provider's.
  ASSERT_EQ(provider.recorders().size(), 2u);
  EXPECT_EQ(provider.recorders()[1]->DescribeTray(), "blank DVD-R (4.7 GB)");
  EXPECT_EQ(provider.burnedFolder(), folder.path() / "burned discs");
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
