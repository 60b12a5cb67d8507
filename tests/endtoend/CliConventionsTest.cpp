// The command line's own conventions: the version, options after the command,
// transport names in any letter case, --drive checked by every command, one
// printed path per line whatever the path holds, the Video CD's file limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/endtoend/CliRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

TEST(CliConventions, VersionAndOptionsAfterTheCommand) {
  const ProcessOutput version = RunProgram({BRENMARK_CLI_PATH, "--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_THAT(version.out, MatchesRegex("brenmark-cli [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"));

  ScratchFolder data("conventions-data");
  const ProcessOutput tray = RunProgram({BRENMARK_CLI_PATH, "tray", "--drive", "virtual-dvd", "--data-dir",
                                         data.path().string(), "show"});
  EXPECT_EQ(tray.exitStatus, 0) << tray.err;
  EXPECT_THAT(tray.out, HasSubstr("DVD"));

  EXPECT_EQ(Cli(data.path(), {"--transport", "SPTI", "drives"}).exitStatus, 0);
  // A drive no recorder answers to is an error whatever the command.
  const ProcessOutput unknown = Cli(data.path(), {"drives", "--drive", "no-such-recorder"});
  EXPECT_EQ(unknown.exitStatus, 1);
  EXPECT_THAT(unknown.err, HasSubstr("no-such-recorder"));
}

TEST(CliConventions, AFinishedImagePathHoldingANewlineStaysOneQuotedLine) {
  ScratchFolder base("conventions-newline");
  const fs::path data = base.path() / "two\nlines";
  fs::create_directories(data);
  WritePatternFile(base.path() / "src" / "file.bin", 5000, 3);
  const ProcessOutput burn = Cli(data, {"--yes", "burn-cd", (base.path() / "src").string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.err;
  ASSERT_EQ(burn.out.find('\n'), burn.out.size() - 1) << burn.out;
  EXPECT_THAT(burn.out, StartsWith("\"" + base.path().string() + "/two\\nlines/burned discs/virtual-cd-"));
  EXPECT_THAT(burn.out, MatchesRegex(".*\\.cue\"\n"));
}

TEST(CliConventions, BurnVcdNamesTheVideoCdLimitOf32Files) {
  ScratchFolder data("conventions-vcd");
  std::vector<std::string> arguments = {"burn-vcd"};
  for (int i = 0; i < 33; ++i) arguments.push_back((data.path() / ("f" + std::to_string(i) + ".mpg")).string());
  const ProcessOutput burn = Cli(data.path(), arguments);
  EXPECT_EQ(burn.exitStatus, 2);
  EXPECT_THAT(burn.err, HasSubstr("(1 to 32 files)"));
}

}  // namespace
}  // namespace brenmark::endtoend
