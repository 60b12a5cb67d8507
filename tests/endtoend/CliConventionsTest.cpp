// The command line's own conventions: the version, options after the command,
// transport names in any letter case, --drive checked by every command, the
// tray's blanks and their sizes, options checked before anything is done, one
// printed path per line whatever the path holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "tests/endtoend/CliRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;

TEST(CliConventions, VersionAndOptionsAfterTheCommand) {
  const ProcessOutput version = RunProgram({BRENMARK_CLI_PATH, "--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_THAT(version.out, MatchesRegex("brenmark-cli [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"));
  EXPECT_EQ(RunProgram({BRENMARK_CLI_PATH, "--help"}).exitStatus, 0);

  ScratchFolder data("conventions-data");
  const ProcessOutput tray = RunProgram({BRENMARK_CLI_PATH, "tray", "--drive", "virtual-dvd", "--data-dir",
                                         data.path().string(), "show"});
  EXPECT_EQ(tray.exitStatus, 0) << tray.err;
  EXPECT_THAT(tray.out, HasSubstr("DVD"));
  EXPECT_THAT(Cli(data.path(), {"drives"}).out, HasSubstr("virtual-dvd"));
}

// Run one after another on one data folder: a well-formed command line that
// cannot be carried out ends with 1, a malformed one with 2, before anything
// is done; the tray's answers show what the blanks made of it.
TEST(CliConventions, CommandLinesEndWithTheirStatusAndAnswer) {
  ScratchFolder data("conventions-steps");
  const std::string folder = data.path().string();
  std::vector<std::string> tooManyStreams = {"burn-vcd"};
  for (int i = 0; i < 33; ++i) tooManyStreams.push_back(folder + "/f" + std::to_string(i) + ".mpg");
  struct Step {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string err = "";                 // a part of the standard error
    std::optional<std::string> out = {};  // the whole standard output
  };
  const Step steps[] = {
      {{"--transport", "SPTI", "drives"}, 2, "reached on Windows"},
      {{"drives", "--drive", "no-such-recorder"}, 1, "no-such-recorder"},
      {{"tray", "insert", folder + "/nothing.cue"}, 1},
      {{"tray", "eject"}, 0, "", ""},  // a blank disc leaves no image behind
      {{"tray", "open"}, 2},
      {{"--drive", "no such drive", "tray"}, 1},
      {{"--drive", "99999999999999999999", "tray"}, 1},
      {{"--drive", "-1", "tray"}, 1},
      {{"--drive", "-1", "burn-cd", folder}, 1},
      {{"--drive", "", "device-info"}, 2, "--drive is empty"},
      {{"burn-cd", folder + "/missing"}, 2},
      {{"--speed", "1234", "burn-cd", folder}, 2, "40x CD (7056 KB/Sec)"},
      {tooManyStreams, 2, "(1 to 32 files)"},
      {{"--drive", "virtual-cd", "tray", "blank", "--minutes", "90"}, 0},
      {{"--drive", "virtual-cd", "tray"}, 0, "", "blank CD-R (90 min)\npace: fast\n"},
      {{"--drive", "virtual-cd", "tray", "blank", "--minutes", "75"}, 2},
      {{"--drive", "virtual-dvd", "tray", "blank", "--minutes", "80"}, 2},
      // A blank of another kind: a CD-RW of its size, no DVD in the CD recorder.
      {{"--drive", "virtual-cd", "tray", "blank", "cd-rw", "--minutes", "74"}, 0},
      {{"--drive", "virtual-cd", "tray", "pace", "real"}, 0},
      {{"--drive", "virtual-cd", "tray"}, 0, "", "blank CD-RW (74 min)\npace: real\n"},
      {{"--drive", "virtual-cd", "tray", "pace", "slow"}, 2},
      {{"--drive", "virtual-cd", "tray", "pace"}, 2},
      {{"--drive", "virtual-cd", "tray", "blank", "dvd-r"}, 2},
      {{"--drive", "virtual-cd", "tray", "blank", "cd-rom"}, 2},
      {{"--drive", "virtual-cd", "tray", "blank", "floppy"}, 2},
      {{"--drive", "virtual-dvd", "tray", "blank", "cd-rw"}, 0},
      {{"--drive", "virtual-dvd", "tray", "blank", "dvd-r", "--minutes", "80"}, 2},
      {{"--minutes", "80", "drives"}, 2},
      {{"--fault", "WRITE10:from=-5", "drives"}, 2},
      {{"--trace", "", "drives"}, 2, "--trace is empty"},
      {{"--trace", folder, "drives"}, 1, "cannot trace the commands to " + folder + ": "},
      {{"burn-audio", "--gap", "2", "a.wav"}, 2, "--gap, --title and --performer go with --disc-at-once"},
      {{"burn-audio", "--disc-at-once", "--gap", "61", "a.wav"}, 2, "--gap takes seconds from 0 to 60"},
      {{"burn-audio", "--disc-at-once", "--gap", "-1", "a.wav"}, 2, "--gap takes seconds from 0 to 60"},
      {{"burn-audio", "--disc-at-once", "a.wav", "--title"}, 2, "--title needs a value"},
      {{"burn-image", "a.iso", "b.iso"}, 2, "usage: burn-image"},
      {{"--drive", "virtual-cd", "burn-image", folder + "/none.cue"}, 1},
  };
  for (const Step& step : steps) {
    std::string line;
    for (const std::string& argument : step.arguments) line += " " + argument.substr(0, 40);
    const ProcessOutput run = Cli(data.path(), step.arguments);
    EXPECT_EQ(run.exitStatus, step.exitStatus) << line << "\n" << run.err;
    EXPECT_THAT(run.err, HasSubstr(step.err)) << line;
    if (step.out) {
      EXPECT_EQ(run.out, *step.out) << line;
    }
  }
  // The device report reads the capability page and writes nothing.
  const ProcessOutput unmet =
      Cli(data.path(), {"--drive", "virtual-cd", "--fault", "WRITE10", "--fault", "MODESENSE10", "device-info"});
  EXPECT_THAT(unmet.err, HasSubstr("--fault WRITE10: the armed command was never sent"));
  EXPECT_THAT(unmet.err, Not(HasSubstr("--fault MODESENSE10")));
}

// A path holding control characters reaches standard output escaped: a
// finished image as one quoted line, the tray's image without terminal controls.
TEST(CliConventions, PathsHoldingControlCharactersReachStandardOutputEscaped) {
  ScratchFolder base("conventions-newline");
  const fs::path data = base.path() / "two\nlines\x1B[31m";
  fs::create_directories(data);
  WritePatternFile(base.path() / "src" / "file.bin", 5000, 3);
  const ProcessOutput burn = Cli(data, {"--yes", "burn-cd", "--multisession", (base.path() / "src").string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.err;
  ASSERT_EQ(burn.out.find('\n'), burn.out.size() - 1) << burn.out;
  EXPECT_THAT(burn.out, StartsWith("\"" + base.path().string() + "/two\\nlines\\x1B[31m/burned discs/virtual-cd-"));
  EXPECT_THAT(burn.out, MatchesRegex(".*\\.cue\"\n"));

  ASSERT_EQ(Cli(data, {"tray", "insert", "last"}).exitStatus, 0);
  const ProcessOutput shown = Cli(data, {"tray", "show"});
  ASSERT_EQ(shown.exitStatus, 0) << shown.err;
  EXPECT_THAT(shown.out, HasSubstr("(image " + base.path().string() + "/two\nlines\\x1B[31m/burned discs/"));
  EXPECT_EQ(shown.out.find('\x1B'), std::string::npos) << shown.out;
}

}  // namespace
}  // namespace brenmark::endtoend
