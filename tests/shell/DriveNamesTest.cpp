// Drive names as the lists show them: the INQUIRY padding goes, the rest stays.
#include <gtest/gtest.h>

#include "shell/DriveNames.h"

namespace brenmark {
namespace {

TEST(DriveNames, PaddingIsTrimmedAndTheDevicePartFound) {
  struct Case {
    const char* displayName;
    const char* listed;
    const char* shortName;
  };
  const Case cases[] = {
      {"sr0: HL-DT-ST  DVDRAM GH24NSD1 ", "sr0: HL-DT-ST  DVDRAM GH24NSD1", "sr0"},
      {"virtual-dvd: Brenmark Virtual DVD-R   \t", "virtual-dvd: Brenmark Virtual DVD-R", "virtual-dvd"},
      {"sr1: ", "sr1:", "sr1"},  // a model that could not be read
      {"   ", "", ""},
      {"plain", "plain", "plain"},
  };
  for (const Case& c : cases) {
    Drive drive;
    drive.displayName = c.displayName;
    EXPECT_EQ(ListedDriveName(drive), c.listed) << c.displayName;
    EXPECT_EQ(ShortDriveName(drive), c.shortName) << c.displayName;
    EXPECT_EQ(drive.displayName, c.displayName);
  }
}

}  // namespace
}  // namespace brenmark
