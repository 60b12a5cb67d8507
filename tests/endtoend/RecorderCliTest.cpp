// What brenmark-cli tells about the virtual recorders' own files and options.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "tests/endtoend/CliRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// A full disk under the data folder: the burn fails naming the folder and the
// system's reason, not only the sector.
TEST(RecorderCli, AFullDiskNamesTheFolderAndTheReason) {
  ScratchFolder data("full-disk-data");
  ScratchFolder source("full-disk-source");
  WritePatternFile(source.path() / "file.bin", 300000, 1);
  fs::create_directories(data.path() / "virtual-dvd");
  fs::create_symlink("/dev/full", data.path() / "virtual-dvd" / "disc.iso");
  const ProcessOutput burn = Cli(data.path(), {"--drive", "virtual-dvd", "--no", "burn-dvd", source.path().string()});
  EXPECT_EQ(burn.exitStatus, 1);
  EXPECT_THAT(burn.err, HasSubstr("could not write its disc files in " + (data.path() / "virtual-dvd").string()));
  EXPECT_THAT(burn.err, HasSubstr("No space left on device"));
}

// An inserted image that vanished: every run says which and why, tray show
// too, and nothing is burned on a blank in its stead.
TEST(RecorderCli, AVanishedImageIsToldAndNotReplacedByABlank) {
  ScratchFolder data("vanished-data");
  ScratchFolder images("vanished-images");
  fs::copy_file(fs::path(BRENMARK_TESTDATA_DIR) / "cue" / "cdda.cue", images.path() / "cdda.cue");
  fs::copy_file(fs::path(BRENMARK_TESTDATA_DIR) / "cue" / "cdda.bin", images.path() / "cdda.bin");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", (images.path() / "cdda.cue").string()}).exitStatus, 0);
  fs::remove(images.path() / "cdda.bin");

  const ProcessOutput show = Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"});
  EXPECT_EQ(show.exitStatus, 0);
  EXPECT_THAT(show.err, HasSubstr("virtual-cd: the image in the tray, " + (images.path() / "cdda.cue").string()));
  EXPECT_THAT(show.out, HasSubstr("no disc: the image in the tray"));
  const ProcessOutput burn = Cli(data.path(), {"--drive", "virtual-cd", "--no", "burn-cd", images.path().string()});
  EXPECT_EQ(burn.exitStatus, 1);
  EXPECT_THAT(burn.out, Not(HasSubstr(".cue")));  // no finished image
}

TEST(RecorderCli, BlankSizesAndFaultsAreCheckedAndReported) {
  ScratchFolder data("options-data");
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank", "--minutes", "90"}).exitStatus, 0);
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray"}).out, "blank CD-R (90 min)\n");
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank", "--minutes", "75"}).exitStatus, 2);
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "blank", "--minutes", "80"}).exitStatus, 2);
  EXPECT_EQ(Cli(data.path(), {"--minutes", "80", "drives"}).exitStatus, 2);
  for (const char* refused : {"WRITE10:from=-5", "WRITE10:once:always"}) {
    EXPECT_EQ(Cli(data.path(), {"--fault", refused, "drives"}).exitStatus, 2) << refused;
  }
  // The device report reads the capability page and writes nothing.
  const ProcessOutput unmet =
      Cli(data.path(), {"--drive", "virtual-cd", "--fault", "WRITE10", "--fault", "MODESENSE10", "device-info"});
  EXPECT_THAT(unmet.err, HasSubstr("--fault WRITE10: the armed command was never sent"));
  EXPECT_THAT(unmet.err, Not(HasSubstr("--fault MODESENSE10")));
}

}  // namespace
}  // namespace brenmark::endtoend
