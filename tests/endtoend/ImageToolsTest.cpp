// A disc burned through brenmark-cli read back with bchunk and xorriso, and
// the data job's failures as brenmark-cli reports them and traces them. DVD burns are read
// back in SourceFolderCliTest, appended sessions in AppendedSessionsTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::SizeIs;

// Non-ASCII letters and several dots in names, deep nesting, an empty folder,
// an empty file and the 16-sector chunk boundaries. (Names that collide or
// must be cut are read back from the image itself in IndependentReaderTest.)
void MakeTrickyFolder(const fs::path& root) {
  WritePatternFile(root / "Grüße aus Köln.txt", 2049, 2);
  WritePatternFile(root / "archive.tar.gz", 32768, 3);
  WritePatternFile(root / "archive.tar.bz2", 32769, 4);
  WritePatternFile(root / "empty.dat", 0, 5);
  WritePatternFile(root / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h" / "i" / "deep.bin", 370000, 7);
  fs::create_directories(root / "nothing here");
}

TEST(ImageTools, ACdBurnedByTheCliReadsBackThroughBchunkAndXorriso) {
  ScratchFolder source("cd-source");
  MakeTrickyFolder(source.path() / "Folder To Burn");
  ScratchFolder discs("cd-discs");
  const auto burn = Cli(discs.path(), {"burn-cd", (source.path() / "Folder To Burn").string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.err;
  EXPECT_THAT(burn.err, HasSubstr("Disc burned."));
  const auto lines = Lines(burn.out);
  ASSERT_THAT(lines, SizeIs(1));
  const fs::path cue = lines[0];
  ASSERT_EQ(cue.extension(), ".cue");

  ScratchFolder converted("cd-converted");
  const auto bchunk = RunProgram({"bchunk", BinOf(cue).string(), cue.string(), (converted.path() / "track").string()});
  ASSERT_EQ(bchunk.exitStatus, 0) << bchunk.out << bchunk.err;
  ScratchFolder extracted("cd-extracted");
  const auto run = ExtractImage(converted.path() / "track01.iso", 0, extracted.path());
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ExpectSameFiles(source.path(), extracted.path());
  EXPECT_TRUE(fs::is_directory(extracted.path() / "Folder To Burn" / "nothing here"));
}

TEST(Cli, ReportsTheFailurePathsOfTheDataJobAndExitsNonZero) {
  ScratchFolder source("cli-failures");
  WritePatternFile(source.path() / "F" / "a.bin", 70000, 1);
  const std::string folder = (source.path() / "F").string();
  ScratchFolder discs("cli-failures-discs");

  const auto modeRefused = Cli(discs.path(), {"--fault", "MODESELECT10", "burn-cd", folder});
  EXPECT_EQ(modeRefused.exitStatus, 1);
  EXPECT_THAT(modeRefused.err, HasSubstr("[Error] Error occure while selecting writing mode.\nBurning process will be terminated."));
  EXPECT_EQ(modeRefused.out, "");

  const auto givenUp = Cli(discs.path(), {"--no", "--fault", "WRITE10:from=25", "burn-cd", folder});
  EXPECT_EQ(givenUp.exitStatus, 1);
  EXPECT_THAT(givenUp.err, HasSubstr("[Question] Error writing sector 25.\nTry again? [y/n] n"));
  EXPECT_THAT(givenUp.err, HasSubstr("Disc burning failed."));
  EXPECT_THAT(givenUp.err, ::testing::Not(HasSubstr("Disc burned.")));
  // The partly written disc is still ejected; its path is marked as a failed disc's.
  ASSERT_THAT(Lines(givenUp.out), SizeIs(1));
  EXPECT_THAT(Lines(givenUp.out)[0], ::testing::EndsWith(".cue (failed)"));


  // --trace holds every WRITE(10), in order and all good, and the failed
  // SYNCHRONIZE CACHE with its sense; BRENMARK_TRACE names the file only
  // without the option.
  const fs::path trace = discs.path() / "t.log";
  ::setenv("BRENMARK_TRACE", (discs.path() / "variable.log").c_str(), 1);
  const auto syncFails = Cli(discs.path(), {"--trace", trace.string(), "--drive", "virtual-cd", "--fault",
                                            "SYNCHRONIZECACHE:once", "burn-cd", folder});
  ::unsetenv("BRENMARK_TRACE");
  EXPECT_EQ(syncFails.exitStatus, 1);
  EXPECT_FALSE(fs::exists(discs.path() / "variable.log"));
  const std::regex write(R"(.* \| virtual-cd \| WRITE\(10\) \| 2A 00 (.. .. .. ..) 00 (.. ..) 00 \| out (\d+) )"
                         R"(\| GOOD \| .*)");
  const auto hex = [](std::string bytes) {
    std::erase(bytes, ' ');
    return std::stoul(bytes, nullptr, 16);
  };
  unsigned long written = 0;
  bool syncFailed = false;
  for (const std::string& line : Lines(ReadWholeFile(trace))) {
    std::smatch fields;
    if (std::regex_match(line, fields, write)) {
      EXPECT_EQ(hex(fields.str(1)), written) << line;  // each where the one before ended
      written += hex(fields.str(2));
      EXPECT_EQ(std::stoul(fields.str(3)), hex(fields.str(2)) * 2048) << line;
    }
    syncFailed |= line.find(" | SYNCHRONIZE CACHE | 35 00 00 00 00 00 00 00 00 00 | none 32 | 4/44/00 internal "
                            "target failure | ") != std::string::npos;
  }
  EXPECT_TRUE(syncFailed);
  // The image holds the written blocks and the track's two run-out blocks.
  const std::string image = Lines(syncFails.out).at(0);
  EXPECT_EQ(written + 2, fs::file_size(BinOf(image.substr(0, image.find(" (failed)")))) / 2352);
}

}  // namespace
}  // namespace brenmark::endtoend
