// brenmark-cli grab as a script runs it: the encoder library found beside the
// program, one path per finished file on the standard output.
#include <gtest/gtest.h>

#include "tests/jobs/grab/AudioDiscImage.h"
#include "tests/endtoend/CliRun.h"

namespace brenmark::test {
namespace {

using endtoend::Lines;
using endtoend::ProcessOutput;

class GrabCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto cue = WriteDiscImage(scratch.path(), "disc", {{40}, {300, true}, {30}});
    ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
    std::filesystem::create_directory(out);
  }

  ProcessOutput Cli(std::vector<std::string> arguments) { return endtoend::Cli(scratch.path() / "discs", arguments); }

  endtoend::ScratchFolder scratch{"grab-cli"};
  std::filesystem::path out = scratch.path() / "out";
};

TEST_F(GrabCliTest, GrabsEveryAudioTrackByDefaultAndPrintsEachPathAndItsChecksums) {
  const auto run = Cli({"grab", out.string()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{(out / "track01.wav").string(), (out / "track03.wav").string()}));
  EXPECT_NE(run.err.find("track03.wav  CRC32 "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("2 Tracks Grabbed"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(out / "grab.log"));
}

TEST_F(GrabCliTest, Mp3WithChosenTracksAndBitrateUsesTheLibraryBesideTheProgram) {
  const auto run = Cli({"grab", "--format", "mp3", "--bitrate", "96", "--tracks", "3", out.string()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Lines(run.out), std::vector<std::string>{(out / "track03.mp3").string()});
}

TEST_F(GrabCliTest, TracksThatAreNoAudioOnTheDiscFailTheGrab) {
  for (const char* tracks : {"2", "5", "2,5"}) {
    SCOPED_TRACE(tracks);
    const auto run = Cli({"grab", "--tracks", tracks, out.string()});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("no track was grabbed"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Tracks Grabbed"), std::string::npos) << run.err;
  }
}

TEST_F(GrabCliTest, AFullDiscOf99TracksIsGrabbedWhole) {
  const auto cue = WriteDiscImage(scratch.path(), "full", std::vector<ImageTrack>(99, {2}));
  ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
  const auto run = Cli({"grab", out.string()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const auto paths = Lines(run.out);
  ASSERT_EQ(paths.size(), 99u);
  EXPECT_EQ(paths.back(), (out / "track99.wav").string());
}

TEST_F(GrabCliTest, RefusesMalformedArgumentsBeforeTouchingTheDrive) {
  const std::vector<std::vector<std::string>> lines = {
      {"grab"},
      {"grab", "--format", "flac", "x"},
      {"grab", "--bitrate", "100", "x"},
      {"grab", "--tracks", "0", "x"},
      {"grab", "--tracks", "3-1", "x"},
      {"grab", "--tracks", "1,,2", "x"},
      {"grab", "--loud", "x"},
      {"grab", "x", "y"},
  };
  for (const auto& line : lines) {
    SCOPED_TRACE(line.back());
    const auto run = Cli(line);
    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  const auto failed = Cli({"grab", (out / "missing").string()});
  EXPECT_EQ(failed.exitStatus, 1);
  EXPECT_NE(failed.err.find("Unable to create output WAV file."), std::string::npos) << failed.err;
}

}  // namespace
}  // namespace brenmark::test
