#include "virtualdrive/image/CueImage.h"
#include "virtualdrive/image/SectorEncoder.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace brenmark::virtualdrive {
namespace {

namespace fs = std::filesystem;

class CueImageTest : public ::testing::Test {
 protected:
  // Writes `content`, or `bytes` zero bytes, to a file of the folder.
  fs::path Write(const std::string& name, const std::string& content, std::size_t bytes = 0) {
    const fs::path path = folder_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content << std::string(bytes, '\0');
    return path;
  }

  testsupport::TempFolder temp_{"cueimage"};
  fs::path folder_ = temp_.path();
};

TEST_F(CueImageTest, RefusesWhatIsNoCueSheet) {
  EXPECT_NE(OpenCueImage(folder_ / "absent.cue").error.find("no such cue sheet"),
            std::string::npos);
  const fs::path huge = Write("huge.cue", "", 2 * 1024 * 1024);
  EXPECT_NE(OpenCueImage(huge).error.find("too large to be a cue sheet"), std::string::npos);
}

TEST_F(CueImageTest, ResolvesNamesInSubfoldersAndPrefersTheExactName) {
  Write("data/Disc.BIN", "", 4 * kRawSectorSize);
  const fs::path cue = Write("disc.cue",
                             "FILE \"data/disc.bin\" BINARY\n"
                             "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                             "TRACK 02 AUDIO\nINDEX 00 00:00:02\nINDEX 01 00:00:03\n");
  CueImageResult result = OpenCueImage(cue);
  ASSERT_TRUE(result.image) << result.error;
  EXPECT_EQ(result.image->binPath, folder_ / "data" / "Disc.BIN");
  EXPECT_EQ(result.image->sectorCount, 4);

  Write("data/disc.bin", "", 5 * kRawSectorSize);
  result = OpenCueImage(cue);
  ASSERT_TRUE(result.image) << result.error;
  EXPECT_EQ(result.image->binPath, folder_ / "data" / "disc.bin");
  EXPECT_EQ(result.image->sectorCount, 5);
}

TEST_F(CueImageTest, RefusesBrokenImagesWithClearErrors) {
  const std::string twoTracks =
      "TRACK 01 MODE1/2352\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:00:10\n"
      "INDEX 01 00:00:20\n";
  struct Case {
    std::string name, cue;
    std::size_t binBytes;
    std::string errorPart;
  };
  const std::vector<Case> cases = {
      {"missing", "FILE \"gone.bin\" BINARY\n" + twoTracks, 0,
       "the image file \"gone.bin\" it names is missing"},
      {"truncated", "FILE \"truncated.bin\" BINARY\n" + twoTracks, 30 * kRawSectorSize - 100,
       "truncated.bin is 70460 bytes, not a whole number of 2352-byte sectors"},
      {"empty", "FILE \"empty.bin\" BINARY\n" + twoTracks, 0, "empty.bin is empty"},
      {"short", "FILE \"short.bin\" BINARY\n" + twoTracks, 20 * kRawSectorSize,
       "track 2 starts beyond the end of short.bin (20 sectors)"},
      {"malformed", "FILE \"malformed.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n",
       30 * kRawSectorSize, "line 3: INDEX time 00:61:00: seconds must be below 60"},
      {"ambiguous", "FILE \"AMBIGUOUS.BIN\" BINARY\n" + twoTracks, 30 * kRawSectorSize,
       "the image file \"AMBIGUOUS.BIN\" it names is missing"},
  };
  for (const Case& c : cases) {
    if (c.name == "ambiguous") {
      Write("Ambiguous.bin", "", c.binBytes);
      Write("ambiguous.bin", "", c.binBytes);
    } else if (c.name != "missing") {
      Write(c.name + ".bin", "", c.binBytes);
    }
    const fs::path cue = Write(c.name + ".cue", c.cue);
    const CueImageResult result = OpenCueImage(cue);
    EXPECT_FALSE(result.image) << c.name;
    EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << c.name << ": " << result.error;
    EXPECT_EQ(result.error.rfind(cue.string(), 0), 0u) << "error does not name the sheet";
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive
