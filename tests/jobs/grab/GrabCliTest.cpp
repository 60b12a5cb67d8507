// brenmark-cli grab as a script runs it: the encoder library found beside the
// program, one path per finished file on the standard output.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

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

// A missing folder is made without a question.
TEST_F(GrabCliTest, AMissingFolderIsMadeAtOnce) {
  const auto nested = scratch.path() / "new" / "newer";
  const auto made = Cli({"grab", "--tracks", "1", nested.string()});
  EXPECT_EQ(made.exitStatus, 0) << made.err;
  EXPECT_EQ(Lines(made.out), std::vector<std::string>{(nested / "track01.wav").string()});
}

TEST_F(GrabCliTest, FilesAlreadyThereAreNamedAndKeptUnlessOverwriteOrYesIsGiven) {
  ASSERT_EQ(Cli({"grab", out.string()}).exitStatus, 0);
  std::ofstream(out / "track01.wav") << "mine";

  const auto refused = Cli({"grab", out.string()});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_NE(refused.err.find(": track01.wav, track03.wav.\n"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--overwrite"), std::string::npos) << refused.err;
  EXPECT_EQ(endtoend::ReadWholeFile(out / "track01.wav"), "mine");

  for (const std::vector<std::string>& line : {std::vector<std::string>{"grab", "--overwrite", out.string()},
                                               std::vector<std::string>{"--yes", "grab", out.string()}}) {
    SCOPED_TRACE(line[1]);
    std::ofstream(out / "track01.wav") << "mine";
    const auto run = Cli(line);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(ReadBytes(out / "track01.wav").size(), 44u + 40 * 2352);
  }
}

TEST_F(GrabCliTest, AGrabKilledInTheMiddleOfATrackLeavesNothingUnderThatTracksName) {
  const auto cue = WriteDiscImage(scratch.path(), "long", {{40}, {3000}});
  ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
  // Reads of track 2 from block 1000 on fail, and are retried a second apart
  // for as long as --yes answers: the grab is held there, mid-track.
  const pid_t grab = endtoend::StartCli({"--data-dir", (scratch.path() / "discs").string(), "--yes", "--fault",
                               "READCD:from=1000:always", "grab", out.string()});
  ASSERT_GT(grab, 0);
  const auto holding = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
      if (entry.path().filename().string().rfind("track02.wav", 0) == 0 &&
          entry.file_size() >= 44 + (1000 - 40) * 2352) {
        return true;
      }
    }
    return false;
  };
  bool held = holding();
  for (int attempt = 0; attempt < 3000 && !held; ++attempt, held = holding()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(grab, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(grab, &status, 0), grab);
  ASSERT_TRUE(held);
  ASSERT_TRUE(WIFSIGNALED(status));

  EXPECT_FALSE(std::filesystem::exists(out / "track02.wav"));
  const auto first = ReadBytes(out / "track01.wav");
  ASSERT_EQ(first.size(), 44u + 40 * 2352);
  EXPECT_EQ(first[40] | first[41] << 8 | first[42] << 16, 40 * 2352);
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
}

}  // namespace
}  // namespace brenmark::test
