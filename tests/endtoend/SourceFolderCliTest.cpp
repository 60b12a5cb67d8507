// Source folders that are not what they seem, burned through brenmark-cli and
// read back with xorriso.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/endtoend/CliRun.h"
#include "tests/platform/DeepTree.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::SizeIs;

// Burns `folder` on the virtual DVD recorder and extracts the disc into `target`.
void BurnDvdAndExtract(const fs::path& discs, const std::string& folder, const fs::path& target,
                       const std::vector<std::string>& options = {}) {
  std::vector<std::string> arguments = options;
  arguments.insert(arguments.end(), {"--drive", "virtual-dvd", "burn-dvd", folder});
  const auto burn = Cli(discs, arguments);
  ASSERT_EQ(burn.exitStatus, 0) << burn.err;
  const auto images = Lines(burn.out);
  ASSERT_THAT(images, SizeIs(1));
  const auto extract = ExtractImage(images[0], 0, target);
  ASSERT_EQ(extract.exitStatus, 0) << extract.err;
}

std::vector<std::string> TopLevelNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SourceFolders, ATreeDeeperThanTheLongestPathBurnsWhole) {
  constexpr int kLevels = 22;
  constexpr std::size_t kNameLength = 200;
  ScratchFolder source("deep");
  const fs::path top = source.path() / "Deep";
  fs::create_directories(top);
  testing::MakeDeepTree(top, kLevels, kNameLength, "leaf.txt", "the deepest file");
  ScratchFolder discs("deep-discs");
  ScratchFolder out("deep-out");
  BurnDvdAndExtract(discs.path(), top.string(), out.path());
  testing::RemoveDeepTree(top, kLevels, kNameLength);

  // The disc's names are shorter; every level must be there, and the file.
  fs::path folder = out.path() / "Deep";
  int levels = 0;
  while (true) {
    const auto names = TopLevelNames(folder);
    ASSERT_THAT(names, SizeIs(1)) << "level " << levels;
    folder /= names[0];
    if (!fs::is_directory(folder)) break;
    ++levels;
  }
  EXPECT_EQ(levels, kLevels);
  EXPECT_EQ(folder.filename(), "leaf.txt");
  EXPECT_EQ(ReadWholeFile(folder), "the deepest file");
}

TEST(SourceFolders, EntriesThatCannotBeReadAreNamedAndBurnedWithoutOnlyWhenTheUserAgrees) {
  ScratchFolder source("unreadable");
  const fs::path top = source.path() / "Top";
  WritePatternFile(top / "kept.bin", 5000, 1);
  fs::create_symlink(source.path() / "nowhere", top / "gone");
  fs::create_directories(top / "sub");
  fs::create_symlink("loop", top / "sub" / "loop");
  ScratchFolder discs("unreadable-discs");

  // Without an answer the question is answered No: nothing is written.
  const auto refused = Cli(discs.path(), {"--drive", "virtual-dvd", "burn-dvd", top.string()});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_THAT(refused.err, HasSubstr("[Question] 2 entries of the source folder cannot be read"));
  EXPECT_THAT(refused.err, HasSubstr((top / "gone").string() + " (No such file or directory)"));
  EXPECT_THAT(refused.err, HasSubstr((top / "sub" / "loop").string() + " (Too many levels of symbolic links)"));
  EXPECT_THAT(refused.err, Not(HasSubstr("Writing Data To CD...")));
  EXPECT_EQ(refused.out, "");
  const auto tray = Cli(discs.path(), {"--drive", "virtual-dvd", "tray", "show"});
  EXPECT_THAT(tray.out + tray.err, HasSubstr("blank"));

  ScratchFolder out("unreadable-out");
  BurnDvdAndExtract(discs.path(), top.string(), out.path(), {"--yes"});
  EXPECT_EQ(ListFiles(out.path()), (std::vector<fs::path>{"Top/kept.bin"}));
}

TEST(SourceFolders, AnUnusableDataFolderIsRefusedBeforeAnything) {
  ScratchFolder scratch("data-dir");
  const fs::path file = scratch.path() / "a file";
  WritePatternFile(file, 10, 1);
  const fs::path shared = scratch.path() / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  struct Case {
    std::string folder;
    int exitStatus;
    std::string says;
  };
  const Case cases[] = {
      {"", 2, "--data-dir needs a folder"},
      {file.string(), 1, "--data-dir " + file.string() + " is not a folder"},
      {"/sys", 1, "--data-dir /sys: cannot write in the folder: Permission denied"},
      {shared.string(), 1, "--data-dir: " + shared.string() + " can be written by other users (mode 1777); make it private with: chmod 700 '" + shared.string() + "'"},
  };
  for (const Case& c : cases) {
    const auto run = RunProgram({BRENMARK_CLI_PATH, "--data-dir", c.folder, "tray", "show"});
    EXPECT_EQ(run.exitStatus, c.exitStatus) << c.folder;
    EXPECT_THAT(run.err, HasSubstr(c.says)) << c.folder;
    EXPECT_EQ(run.out, "") << c.folder;
  }
  // A folder that does not exist yet is made.
  EXPECT_EQ(Cli(scratch.path() / "new" / "discs", {"tray", "show"}).exitStatus, 0);
  EXPECT_TRUE(fs::is_directory(scratch.path() / "new" / "discs"));
  EXPECT_EQ(fs::status(scratch.path() / "new").permissions(), fs::perms::owner_all);
}

}  // namespace
}  // namespace brenmark::endtoend
