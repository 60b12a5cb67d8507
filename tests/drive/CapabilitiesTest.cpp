#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "drive/CapabilityPage.h"
#include "tests/drive/CapabilityPageBytes.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Speeds = std::vector<std::uint32_t>;

// The list as written into an array of `capacity` entries, up to and with its terminator.
Speeds ListFor(const CapabilityPage& page, std::size_t capacity) {
  std::vector<std::uint32_t> list(capacity, 0xDEAD);
  const std::size_t count = capabilities::WriteSpeeds(page.bytes.data() + 8, page.bytes.size() - 8,
                                                      std::span<std::uint32_t>(list));
  EXPECT_LT(count, capacity);
  EXPECT_EQ(list[count], 0u);
  return Speeds(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(count) + 1);
}

TEST(WriteSpeedList, DescriptorsInTheDrivesOrderElseComputedFromTheMaximum) {
  EXPECT_EQ(ListFor(CapabilityPage().Set(18, 176, 2).Descriptors({7056, 5645, 2822}), 100),
            (Speeds{7056, 5645, 2822, 0}));
  const std::pair<std::uint32_t, Speeds> computed[] = {
      {1411, {176, 352, 704, 1057, 1409, 0}},
      {704, {176, 352, 0}},
      {176, {0}},
      {0, {0}},
      {3600, {176, 352, 704, 1057, 1409, 1762, 2114, 2466, 2819, 3171, 3524, 0}},
  };
  for (const auto& [maximum, list] : computed)
    EXPECT_EQ(ListFor(CapabilityPage().Set(18, maximum, 2), 100), list) << maximum;
}

TEST(WriteSpeedList, StaysWithinTheCallersArrayAndTheResponse) {
  const Speeds fitted = ListFor(CapabilityPage().Set(18, 0xFFFF, 2), 100);
  EXPECT_EQ(fitted.size(), 100u);  // 99 speeds and the terminator
  EXPECT_TRUE(std::is_sorted(fitted.begin(), fitted.end() - 1));

  Speeds many(60);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint32_t>(1000 + i);
  const CapabilityPage listed = CapabilityPage().Descriptors(many);
  EXPECT_EQ(ListFor(listed, 4), (Speeds{1000, 1001, 1002, 0}));
  EXPECT_EQ(ListFor(listed, 1), (Speeds{0}));
  const Speeds list = ListFor(listed, 100);
  ASSERT_EQ(list.size(), 54u);  // 53 whole descriptors fit in the 255-byte response
  EXPECT_EQ(list[52], 1052u);
}

using GetCapabilities = RegistryWithOneDrive;

TEST_F(GetCapabilities, DecodesMaskMechanismAndBufferSize) {
  CapabilityPage page;
  page.Set(2, 0x3F).Set(3, 0x37).Set(4, 0xF1).Set(5, 0xE0).Set(6, 0x20).Set(12, 0x800, 2);
  device->Reply(TransportResult::Good, page.Descriptors({1764}).bytes);
  std::array<std::uint32_t, 100> speeds{};
  const DriveResult<DriveCapabilities> read = drive->GetCapabilities(speeds);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read->mask, 0x7FFFFu);
  EXPECT_EQ(read->loadingMechanism, 1);
  EXPECT_EQ(read->bufferSizeKb, 0x800u);
  EXPECT_EQ(Speeds(speeds.begin(), speeds.begin() + 2), (Speeds{1764, 0}));
  EXPECT_EQ(OnlyCommand().cdb, (Bytes{0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0xFF, 0}));
  EXPECT_EQ(OnlyCommand().length, 255u);

  // Only the tabled bits enter the mask.
  const std::tuple<std::size_t, std::uint8_t, std::uint32_t> bits[] = {
      {3, 0x31, 0x40 | 0x100 | 0x200},
      {2, 0x04, 0x20},  // Method 2 sits between CD-RW and DVD-ROM on the page
      {2, 0x08, 0x04},
      {3, 0xCA, 0x80},  // bits 3, 6, 7 are not capabilities
      {4, 0x0E, 0},
      {5, 0x1F, 0},
      {4, 0x80, 0x800},
  };
  for (const auto& [pageByte, value, expected] : bits) {
    device->Reply(TransportResult::Good, CapabilityPage().Set(pageByte, value).bytes);
    const DriveResult<DriveCapabilities> bitRead = drive->GetCapabilities();
    ASSERT_TRUE(bitRead.ok());
    EXPECT_EQ(bitRead->mask, expected) << "page byte " << pageByte << " = " << int(value);
  }
}

TEST_F(GetCapabilities, FailureLeavesTheSpeedListAlone) {
  std::array<std::uint32_t, 3> speeds{7, 7, 7};
  device->Reply(TransportResult::DeviceFailure, CapabilityPage().Set(3, 0xFF).bytes);
  EXPECT_EQ(drive->GetCapabilities(speeds).outcome().result, TransportResult::DeviceFailure);
  EXPECT_EQ(speeds, (std::array<std::uint32_t, 3>{7, 7, 7}));
}

}  // namespace
}  // namespace brenmark::testing
