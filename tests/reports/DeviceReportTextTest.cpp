#include "reports/DeviceReportText.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace brenmark {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

DeviceReportValues BareDrive() {
  DeviceReportValues values;
  values.displayName = "E: ";
  values.interfaceStandard = 0;
  values.capabilityMask = 0;
  values.loadingMechanism = 3;
  values.bufferSizeKb = 0;
  values.speedList = {0};
  return values;
}

// The virtual recorders' reports show the common capabilities; these are the
// lines they never reach: bits they lack, and names out of range.
TEST(DeviceReportText, CapabilitiesTheRecordersLackAndOutOfRangeNames) {
  DeviceReportValues values = BareDrive();
  // A mix of bits no recorder has, so that no two bits can trade places unseen.
  values.capabilityMask = 0x1 | 0x8 | 0x80 | 0x200 | 0x1000 | 0x4000 | 0x20000;
  const std::vector<std::string> lines = Lines(BuildDeviceReportText(values));
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 11),
            (std::vector<std::string>{"Read - CD-R; DVD-R/RW; ", "Write - CD-RW; DVD-RAM; ",
                                      "Sector Types - Mode 1; Mode 2 Form 2; ", "Test burning - Not Supported",
                                      "Multisesion Discs - Supported", "Buffer Underrun Overflow - Not Supported",
                                      "ISRC - Supported", "UPC - Not Supported", "Code Bar - Not Supported"}));

  for (const std::uint32_t standard : {6u, 0xFFFFFFFFu}) {
    values.interfaceStandard = standard;
    EXPECT_EQ(Lines(BuildDeviceReportText(values))[1], "Interface - Unknown");
  }
  for (const std::uint8_t mechanism : {3, 6, 7, 255}) {
    values.loadingMechanism = mechanism;
    EXPECT_EQ(Lines(BuildDeviceReportText(values))[12], "Unknown loading mechanism");
  }
}

std::string SpeedLines(std::vector<std::uint32_t> speedList) {
  DeviceReportValues values = BareDrive();
  values.speedList = std::move(speedList);
  const std::string text = BuildDeviceReportText(values);
  const std::string heading = "Write Speeds:\n";
  return text.substr(text.find(heading) + heading.size());
}

// The fastest speed alone decides CD or DVD units; the list ends at its
// terminator and keeps duplicates.
TEST(DeviceReportText, SpeedLines) {
  const struct {
    std::vector<std::uint32_t> speeds;
    const char* lines;
  } cases[] = {
      {{5540, 2770, 1385, 0}, "4x DVD (5540 KB/Sec)\n2x DVD (2770 KB/Sec)\n1x DVD (1385 KB/Sec)\n"},
      {{1411, 2770, 0}, "2x DVD (2770 KB/Sec)\n1x DVD (1411 KB/Sec)\n"},
      {{8467, 5540, 0}, "48x CD (8467 KB/Sec)\n31x CD (5540 KB/Sec)\n"},
      // 19 over a multiple of 1385 still counts as DVD, 20 over does not.
      {{2789, 0}, "2x DVD (2789 KB/Sec)\n"},
      {{2790, 0}, "15x CD (2790 KB/Sec)\n"},
      {{1764, 1764, 0, 7056}, "10x CD (1764 KB/Sec)\n10x CD (1764 KB/Sec)\n"},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SpeedLines(c.speeds), c.lines) << ::testing::PrintToString(c.speeds);
}

TEST(DeviceReportText, FiftySpeedsAreShownWholeAndFurtherOnesAreLeftOut) {
  std::vector<std::uint32_t> speeds;
  for (std::uint32_t i = 1; i <= 60; ++i) speeds.push_back(176 * i);
  speeds.push_back(0);

  const std::string lines = SpeedLines(speeds);
  std::string expected;
  for (int i = 50; i >= 1; --i) {
    expected += std::to_string(i) + "x CD (" + std::to_string(176 * i) + " KB/Sec)\n";
  }
  // Only the first 50 listed speeds count, not the 50 fastest.
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace brenmark
