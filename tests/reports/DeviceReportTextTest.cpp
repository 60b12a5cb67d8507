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

// Line indexes of the report.
constexpr std::size_t kInterfaceLine = 1;
constexpr std::size_t kReadLine = 2;
constexpr std::size_t kWriteLine = 3;
constexpr std::size_t kSectorLine = 4;
constexpr std::size_t kLoadingLine = 12;

TEST(DeviceReportText, NoCapabilitiesNoSpeedsEndsWithTheSpeedHeading) {
  EXPECT_EQ(BuildDeviceReportText(BareDrive()),
            "Drive Model - E: \n"
            "Interface - Unknown\n"
            "Read - \n"
            "Write - \n"
            "Sector Types - Mode 1; \n"
            "Test burning - Not Supported\n"
            "Multisesion Discs - Not Supported\n"
            "Buffer Underrun Overflow - Not Supported\n"
            "ISRC - Not Supported\n"
            "UPC - Not Supported\n"
            "Code Bar - Not Supported\n"
            "Buffer Size - 0 KB\n"
            "Unknown loading mechanism\n"
            "\n"
            "Write Speeds:\n");
}

// Each capability bit changes its own line and nothing else.
TEST(DeviceReportText, EachCapabilityBitShowsOnItsOwnLine) {
  struct Case {
    std::uint32_t mask;
    std::size_t line;
    const char* text;
  };
  const Case cases[] = {
      {0x1, kReadLine, "Read - CD-R; "},
      {0x2, kReadLine, "Read - CD-RW; "},
      {0x4, kReadLine, "Read - DVD-ROM; "},
      {0x8, kReadLine, "Read - DVD-R/RW; "},
      {0x10, kReadLine, "Read - DVD-RAM;"},
      {0x1 | 0x2 | 0x10, kReadLine, "Read - CD-R; CD-RW; DVD-RAM;"},
      {0x40, kWriteLine, "Write - CD-R; "},
      {0x80, kWriteLine, "Write - CD-RW; "},
      {0x100, kWriteLine, "Write - DVD-R/RW; "},
      {0x200, kWriteLine, "Write - DVD-RAM; "},
      {0x40 | 0x200, kWriteLine, "Write - CD-R; DVD-RAM; "},
      {0x2000, kSectorLine, "Sector Types - Mode 1; Mode 2 Form 1; "},
      {0x4000, kSectorLine, "Sector Types - Mode 1; Mode 2 Form 2; "},
      {0x400, 5, "Test burning - Supported"},
      {0x1000, 6, "Multisesion Discs - Supported"},
      {0x800, 7, "Buffer Underrun Overflow - Supported"},
      {0x20000, 8, "ISRC - Supported"},
      {0x40000, 9, "UPC - Supported"},
      {0x10000, 10, "Code Bar - Supported"},
      // Bits that no line shows.
      {0x20 | 0x8000, 0, "Drive Model - E: "},
  };
  for (const Case& c : cases) {
    DeviceReportValues values = BareDrive();
    values.capabilityMask = c.mask;
    std::vector<std::string> expected = Lines(BuildDeviceReportText(BareDrive()));
    expected[c.line] = c.text;
    EXPECT_EQ(Lines(BuildDeviceReportText(values)), expected) << "mask " << std::hex << c.mask;
  }
}

TEST(DeviceReportText, InterfaceAndLoadingMechanismNames) {
  const std::pair<std::uint32_t, const char*> interfaces[] = {
      {0, "Interface - Unknown"},
      {1, "Interface - SCSI"},
      {2, "Interface - ATAPI"},
      {3, "Interface - IEEE 1394 - 1995"},
      {4, "Interface - IEEE 1394A"},
      {5, "Interface - Interface Fibre Channel"},
      {6, "Interface - Unknown"},
      {0xFFFFFFFF, "Interface - Unknown"},
  };
  for (const auto& [standard, line] : interfaces) {
    DeviceReportValues values = BareDrive();
    values.interfaceStandard = standard;
    EXPECT_EQ(Lines(BuildDeviceReportText(values))[kInterfaceLine], line);
  }

  const char* const mechanisms[] = {
      "Caddy type loading mechanism",
      "Tray type loading mechanism",
      "Popup type loading mechanism",
      "Unknown loading mechanism",
      "Changer with individually changeable discs",
      "Changer using a Magazine mechanism",
      "Unknown loading mechanism",
      "Unknown loading mechanism",
  };
  for (std::uint8_t mechanism = 0; mechanism < 8; ++mechanism) {
    DeviceReportValues values = BareDrive();
    values.loadingMechanism = mechanism;
    EXPECT_EQ(Lines(BuildDeviceReportText(values))[kLoadingLine], mechanisms[mechanism]);
  }
}

std::string SpeedLines(std::vector<std::uint32_t> speedList) {
  DeviceReportValues values = BareDrive();
  values.speedList = std::move(speedList);
  const std::string text = BuildDeviceReportText(values);
  const std::string heading = "Write Speeds:\n";
  return text.substr(text.find(heading) + heading.size());
}

TEST(DeviceReportText, TheFastestSpeedAloneDecidesCdOrDvdUnits) {
  EXPECT_EQ(SpeedLines({5540, 2770, 1385, 0}),
            "4x DVD (5540 KB/Sec)\n2x DVD (2770 KB/Sec)\n1x DVD (1385 KB/Sec)\n");
  EXPECT_EQ(SpeedLines({1411, 2770, 0}), "2x DVD (2770 KB/Sec)\n1x DVD (1411 KB/Sec)\n");
  EXPECT_EQ(SpeedLines({8467, 5540, 0}), "48x CD (8467 KB/Sec)\n31x CD (5540 KB/Sec)\n");
  // 19 over a multiple of 1385 still counts as DVD, 20 over does not.
  EXPECT_EQ(SpeedLines({2789, 0}), "2x DVD (2789 KB/Sec)\n");
  EXPECT_EQ(SpeedLines({2790, 0}), "15x CD (2790 KB/Sec)\n");
}

TEST(DeviceReportText, SpeedListEndsAtItsTerminatorAndKeepsDuplicates) {
  EXPECT_EQ(SpeedLines({1764, 1764, 0, 7056}),
            "10x CD (1764 KB/Sec)\n10x CD (1764 KB/Sec)\n");
  EXPECT_EQ(SpeedLines({}), "");
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
