// Discs burned through brenmark-cli (and, for a second session, through the
// job directly) read back with bchunk and xorriso. DVD burns are read back in
// SourceFolderCliTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/CommandTrace.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::SizeIs;

// Names with spaces, non-ASCII letters, several dots and 60-byte lengths; deep
// nesting, an empty folder, empty files and the 16-sector chunk boundaries.
void MakeTrickyFolder(const fs::path& root) {
  WritePatternFile(root / "read me.txt", 100, 1);
  WritePatternFile(root / "Grüße aus Köln.txt", 2049, 2);
  WritePatternFile(root / "archive.tar.gz", 32768, 3);
  WritePatternFile(root / "archive.tar.bz2", 32769, 4);
  WritePatternFile(root / "empty.dat", 0, 5);
  WritePatternFile(root / std::string(56, 'n').append(".txt"), 4000, 6);
  WritePatternFile(root / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h" / "i" / "deep.bin", 70000, 7);
  WritePatternFile(root / "pictures" / "holiday 2024" / "IMG 0001.jpg", 300000, 8);
  WritePatternFile(root / "pictures" / "holiday 2024" / "img 0001.JPG", 1234, 9);
  fs::create_directories(root / "nothing here");
}

// Every file of `expected` is in `actual` under the same path with the same bytes.
void ExpectSameFiles(const fs::path& expected, const fs::path& actual) {
  const auto files = ListFiles(expected);
  ASSERT_EQ(files, ListFiles(actual));
  for (const auto& file : files) {
    EXPECT_TRUE(ReadWholeFile(expected / file) == ReadWholeFile(actual / file)) << file;
  }
  EXPECT_TRUE(fs::is_directory(actual / "nothing here"));
}

// A Joliet extraction by xorriso of an image whose session starts at `session`.
// The images the same stream makes are checked with isovfy and isoinfo in
// IndependentReaderTest.
void CheckImage(const fs::path& iso, std::int32_t session, const fs::path& source) {
  ScratchFolder extracted("extracted");
  const auto run = ExtractImage(iso, session, extracted.path());
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ExpectSameFiles(source, extracted.path() / source.filename());
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
  CheckImage(converted.path() / "track01.iso", 0, source.path() / "Folder To Burn");
}

TEST(ImageTools, AnAppendableDiscGetsASecondSessionTheToolsRead) {
  ScratchFolder source("sessions");
  WritePatternFile(source.path() / "First" / "one.txt", 5000, 1);
  MakeTrickyFolder(source.path() / "Second");
  VirtualBench bench;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  ASSERT_EQ(bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(source.path() / "First"),
                       /*multiSession=*/1)
                .result,
            JobEnd::Done);
  ASSERT_TRUE(recorder.InsertImage(bench.finishedImages().at(0)).ok);
  recorder.ClearCommandHistory();

  ASSERT_EQ(bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(source.path() / "Second")).result,
            JobEnd::Done);
  const auto writes = Writes(recorder.CommandHistory());
  ASSERT_FALSE(writes.empty());
  const std::int32_t session = writes.front().lba;
  EXPECT_GT(session, 0);
  for (const Transfer& write : writes) EXPECT_GE(write.lba, session);

  ASSERT_EQ(bench.finishedImages().size(), 2u);
  ScratchFolder converted("sessions-iso");
  const fs::path iso = converted.path() / "disc.iso";
  ExtractMode1UserData(BinOf(bench.finishedImages()[1]), iso);
  CheckImage(iso, session, source.path() / "Second");
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

  const auto closeFails = Cli(discs.path(), {"--fault", "CLOSETRACKSESSION", "burn-cd", folder});
  EXPECT_EQ(closeFails.exitStatus, 1);
  EXPECT_THAT(closeFails.err, HasSubstr("Error Closing Session"));
  EXPECT_THAT(Lines(closeFails.out)[0], ::testing::EndsWith(".cue (failed)"));

  const auto noFolder = Cli(discs.path(), {"burn-cd", (source.path() / "missing").string()});
  EXPECT_EQ(noFolder.exitStatus, 2);

  const auto badSpeed = Cli(discs.path(), {"--speed", "1234", "burn-cd", folder});
  EXPECT_EQ(badSpeed.exitStatus, 2);
  EXPECT_THAT(badSpeed.err, HasSubstr("40x CD (7056 KB/Sec)"));
}

TEST(Cli, ListsDrivesAndWorksTheTrayOfAVirtualRecorder) {
  ScratchFolder discs("cli-tray");
  const auto drives = Cli(discs.path(), {"drives"});
  ASSERT_EQ(drives.exitStatus, 0);
  EXPECT_THAT(drives.out, HasSubstr("virtual-dvd"));
  const auto missing = Cli(discs.path(), {"tray", "insert", (discs.path() / "nothing.cue").string()});
  EXPECT_EQ(missing.exitStatus, 1);
  const auto blankEject = Cli(discs.path(), {"tray", "eject"});
  EXPECT_EQ(blankEject.exitStatus, 0);
  EXPECT_EQ(blankEject.out, "");  // a blank disc leaves no image behind
  EXPECT_EQ(Cli(discs.path(), {"tray", "open"}).exitStatus, 2);
  EXPECT_EQ(RunProgram({BRENMARK_CLI_PATH, "--help"}).exitStatus, 0);
  // A well-formed command line naming no drive fails (1); an empty name is malformed (2).
  for (const char* unknown : {"no such drive", "99999999999999999999", "-1"}) {
    EXPECT_EQ(Cli(discs.path(), {"--drive", unknown, "tray"}).exitStatus, 1) << unknown;
    EXPECT_EQ(Cli(discs.path(), {"--drive", unknown, "burn-cd", discs.path().string()}).exitStatus, 1) << unknown;
  }
  const auto emptyDrive = Cli(discs.path(), {"--drive", "", "device-info"});
  EXPECT_EQ(emptyDrive.exitStatus, 2);
  EXPECT_THAT(emptyDrive.err, HasSubstr("--drive is empty"));
}

}  // namespace
}  // namespace brenmark::endtoend
