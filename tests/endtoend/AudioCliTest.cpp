// brenmark-cli burn-audio and grab as a script runs them: each file a track
// holding exactly its samples, read back with bchunk (cd-info and our own grab
// read such discs in AudioCdJobTest and PeerReadersTest); the
// burns that fail or differ, ending with status 1; the grab's paths on the
// standard output, the encoder library beside the program, what it refuses,
// and a grab killed in the middle of a track.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "jobs/burn/VerifyReport.h"
#include "tests/endtoend/AudioTakes.h"
#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/VirtualBench.h"
#include "tests/jobs/grab/AudioDiscImage.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

class BurnAudioCli : public ::testing::Test {
 protected:
  ProcessOutput Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--drive", "virtual-cd"});
    return endtoend::Cli(work.path() / "discs", arguments);
  }

  ScratchFolder work{"burn-audio"};
  // Each with an odd number of sample frames: 320 sectors and one frame, 301
  // sectors and three, and seven frames (less than one write).
  std::vector<std::string> samples = {audio::test::Samples(4 * (588 * 320 + 1), 1),
                                      audio::test::Samples(4 * (588 * 301 + 3), 2), audio::test::Samples(4 * 7, 3)};
  std::vector<std::string> wavs = WriteTakes(work.path(), samples);
};

// With an RF64 file as a recorder of long takes writes it (here ffmpeg). (A
// disc burned so grabs back whole, its gaps as silence: PeerAudioReaders.)
TEST_F(BurnAudioCli, EachFileBecomesATrackOfExactlyItsSamplesThatReadsBackWhole) {
  const std::string rf64 = (work.path() / "long take.wav").string();
  const std::string raw = (work.path() / "long take.raw").string();
  for (const std::vector<std::string>& output : {std::vector<std::string>{"-rf64", "always", rf64},
                                                 std::vector<std::string>{"-f", "s16le", raw}}) {
    std::vector<std::string> argv = {"ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i",
                                     "sine=frequency=440:duration=5", "-ac", "2", "-ar", "44100", "-c:a", "pcm_s16le"};
    argv.insert(argv.end(), output.begin(), output.end());
    const auto made = RunProgram(argv);
    ASSERT_EQ(made.exitStatus, 0) << made.err;
  }
  ASSERT_EQ(ReadWholeFile(rf64).substr(0, 4), "RF64");
  samples.push_back(ReadWholeFile(raw));

  const auto run = Cli({"burn-audio", "--verify", wavs[0], wavs[1], wavs[2], rf64});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  for (const char* status : {"Burning Track 1 of 4 on CD ...", "Closing Track 4 of 4 ...", "Closing Disc Session...",
                             "Audio CD is done.", "Verifying track 4 of 4..."}) {
    EXPECT_THAT(run.err, HasSubstr(status));
  }
  EXPECT_THAT(run.err, ContainsRegex("Verified: 4 tracks, [0-9.]+ MB, no differences\\."));
  EXPECT_THAT(run.err, HasSubstr("at least 4 seconds"));
  EXPECT_THAT(run.err, HasSubstr(wavs[2]));
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  ExpectTracksHold(lines[0], samples);
}

// A burn that does not complete ends with the failure: the first track's only
// write was given up (a write error on a CD-R is not retried unasked), so the
// next file becomes track 1. --verify names the track with a block stored
// with a flipped byte or one that cannot be read (track 2 starts at
// 321 + 2 + 150 = 473).
TEST_F(BurnAudioCli, ABurnThatFailsOrDiffersEndsWithStatus1NamingTheTrack) {
  const auto failed = Cli({"--fault", "WRITE10:count=1", "--no", "burn-audio", wavs[0], wavs[2]});
  EXPECT_EQ(failed.exitStatus, 1);
  EXPECT_THAT(failed.err, HasSubstr("Disc burning failed."));
  const auto kept = Lines(failed.out);
  ASSERT_EQ(kept.size(), 1u);
  const fs::path failedCue = kept[0].substr(0, kept[0].rfind(" (failed)"));
  ExpectTracksHold(failedCue, {samples[2]});

  const auto corrupt = Cli({"--no", "--fault", "WRITE10:from=480:corrupt", "burn-audio", "--verify", wavs[0], wavs[1]});
  EXPECT_EQ(corrupt.exitStatus, 1);
  EXPECT_THAT(corrupt.err, HasSubstr("Verification failed: 1 track differs: track 2 (" + wavs[1] +
                                     ") (first difference within " + ByteRangeText(7 * 2352, 2352) + ")"));
  const auto unreadable = Cli({"--no", "--fault", "READCD:from=480:count=3", "burn-audio", "--verify", wavs[0], wavs[1]});
  EXPECT_EQ(unreadable.exitStatus, 1);
  EXPECT_THAT(unreadable.err, HasSubstr("Verification failed: 1 track could not be read: track 2 (" + wavs[1] +
                                        ") (blocks 473-"));
}

// A drive that reads audio some samples late or early (its read offset)
// passes the verify, which names the offset; the edge blocks of the disc it
// cannot read at that offset are left out. A track differs where no offset
// within the search matches: a stored block changed, or an offset beyond it.
TEST_F(BurnAudioCli, VerifyFindsTheDrivesReadOffsetAndFailsWhereNoneMatches) {
  const struct {
    std::vector<std::string> faults;
    int exitStatus;
    std::string summary;
  } cases[] = {
      {{"readoffset=+6"}, 0, "no differences (read offset +6 samples)."},
      {{"readoffset=-1000"}, 0, "no differences (read offset -1000 samples)."},
      {{"readoffset=5880"}, 0, "no differences (read offset +5880 samples)."},
      {{"readoffset=6", "WRITE10:from=480:corrupt"}, 1,
       "1 track differs: track 2 (" + wavs[1] + ") (first difference within " + ByteRangeText(7 * 2352, 2352) +
           ", read offset +6 samples)"},
      {{"readoffset=-5881"}, 1, "Verification failed: 2 tracks differ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.faults.front());
    std::vector<std::string> arguments = {"--no"};
    for (const std::string& fault : c.faults) arguments.insert(arguments.end(), {"--fault", fault});
    arguments.insert(arguments.end(), {"burn-audio", "--verify", wavs[0], wavs[1]});
    const auto run = Cli(arguments);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    EXPECT_THAT(run.err, HasSubstr(c.summary));
  }
}

// A disc of two audio tracks around a data track.
class GrabCli : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto cue = test::WriteDiscImage(scratch.path(), "disc", {{40}, {300, true}, {30}});
    ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
    fs::create_directory(out);
  }

  ProcessOutput Cli(std::vector<std::string> arguments) { return endtoend::Cli(scratch.path() / "discs", arguments); }

  ScratchFolder scratch{"grab-cli"};
  fs::path out = scratch.path() / "out";
};

TEST_F(GrabCli, GrabsEveryAudioTrackByDefaultAndPrintsEachPathAndItsChecksums) {
  const auto run = Cli({"grab", out.string()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{(out / "track01.wav").string(), (out / "track03.wav").string()}));
  EXPECT_THAT(run.err, HasSubstr("track03.wav  CRC32 "));
  EXPECT_THAT(run.err, HasSubstr("2 Tracks Grabbed"));
  EXPECT_TRUE(fs::exists(out / "grab.log"));
}

// The encoder library is found beside the program, at 128 kbit/s unless told
// otherwise; a missing folder is made without a question.
TEST_F(GrabCli, Mp3OfChosenTracksAtTheirBitrateIntoAFolderMadeAtOnce) {
  for (const auto& [bitrate, stream] : {std::pair{"128", "MPEG 1.0 L III cbr128 44100 stereo"},
                                        std::pair{"96", "MPEG 1.0 L III cbr96 44100 stereo"}}) {
    const auto nested = scratch.path() / bitrate / "newer";
    std::vector<std::string> line = {"grab", "--format", "mp3", "--tracks", "3", nested.string()};
    if (std::string(bitrate) != "128") line.insert(line.begin() + 1, {"--bitrate", bitrate});
    const auto run = Cli(line);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(Lines(run.out), std::vector<std::string>{(nested / "track03.mp3").string()});
    EXPECT_THAT(RunProgram({"mpg123", "-t", (nested / "track03.mp3").string()}).err, HasSubstr(stream));
  }
}

// Tracks that are no audio on the disc fail the grab (1); malformed arguments
// are refused before the drive is touched (2).
TEST_F(GrabCli, NoAudioTracksAndMalformedArgumentsGrabNothing) {
  const std::string o = out.string();
  const std::pair<std::vector<std::string>, int> lines[] = {
      {{"grab", "--tracks", "2,5", o}, 1},    {{"grab"}, 2},
      {{"grab", "--format", "flac", o}, 2},   {{"grab", "--bitrate", "100", o}, 2},
      {{"grab", "--tracks", "0", o}, 2},      {{"grab", "--tracks", "3-1", o}, 2},
      {{"grab", "--tracks", "1,,2", o}, 2},   {{"grab", "--loud", o}, 2},
      {{"grab", o, "y"}, 2},
  };
  for (const auto& [line, exitStatus] : lines) {
    SCOPED_TRACE(::testing::PrintToString(line));
    const auto run = Cli(line);
    EXPECT_EQ(run.exitStatus, exitStatus) << run.err;
    EXPECT_TRUE(run.out.empty());
    if (exitStatus == 1) {
      EXPECT_THAT(run.err, HasSubstr("no track was grabbed"));
      EXPECT_THAT(run.err, ::testing::Not(HasSubstr("Tracks Grabbed")));
    }
  }
}

// A disc with nothing to grab is refused with what is wrong with it, whether
// the tracks are named or not.
TEST_F(GrabCli, AnEmptyTrayABlankAndADataDiscAreEachToldApart) {
  const auto data = test::WriteDiscImage(scratch.path(), "data", {{300, true}});
  const std::pair<std::vector<std::string>, const char*> trays[] = {
      {{"tray", "empty"}, "There is no disc in the drive"},
      {{"tray", "blank"}, "The disc in the drive is blank"},
      {{"tray", "insert", data.string()}, "The disc in the drive holds only data tracks"},
  };
  for (const auto& [tray, told] : trays) {
    ASSERT_EQ(Cli(tray).exitStatus, 0);
    for (const std::vector<std::string>& grab : {std::vector<std::string>{"grab", out.string()},
                                                 std::vector<std::string>{"grab", "--tracks", "1,3-5", out.string()}}) {
      const auto run = Cli(grab);
      EXPECT_EQ(run.exitStatus, 1);
      EXPECT_THAT(run.out + run.err, HasSubstr(told)) << grab[1];
      EXPECT_THAT(run.out + run.err, ::testing::Not(HasSubstr("TOC data")));
    }
  }
}

TEST_F(GrabCli, AFullDiscOf99TracksIsGrabbedWhole) {
  const auto cue = test::WriteDiscImage(scratch.path(), "full", std::vector<test::ImageTrack>(99, {2}));
  ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
  const auto run = Cli({"grab", out.string()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const auto paths = Lines(run.out);
  ASSERT_EQ(paths.size(), 99u);
  EXPECT_EQ(paths.back(), (out / "track99.wav").string());
}

TEST_F(GrabCli, FilesAlreadyThereAreNamedAndKeptUnlessOverwriteOrYesIsGiven) {
  ASSERT_EQ(Cli({"grab", out.string()}).exitStatus, 0);
  std::ofstream(out / "track01.wav") << "mine";

  const auto refused = Cli({"grab", out.string()});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_THAT(refused.err, HasSubstr(": track01.wav, track03.wav.\n"));
  EXPECT_THAT(refused.err, HasSubstr("--overwrite"));
  EXPECT_EQ(ReadWholeFile(out / "track01.wav"), "mine");

  for (const std::vector<std::string>& line : {std::vector<std::string>{"grab", "--overwrite", out.string()},
                                               std::vector<std::string>{"--yes", "grab", out.string()}}) {
    SCOPED_TRACE(line[1]);
    std::ofstream(out / "track01.wav") << "mine";
    const auto run = Cli(line);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(out / "track01.wav").size(), 44u + 40 * 2352);
  }
}

TEST_F(GrabCli, AGrabKilledInTheMiddleOfATrackLeavesNothingUnderThatTracksName) {
  const auto cue = test::WriteDiscImage(scratch.path(), "long", {{40}, {3000}});
  ASSERT_EQ(Cli({"tray", "insert", cue.string()}).exitStatus, 0);
  // Reads of track 2 from block 1000 on fail, and are retried a second apart
  // for as long as --yes answers: the grab is held there, mid-track.
  const pid_t grab = StartCli({"--data-dir", (scratch.path() / "discs").string(), "--yes", "--fault",
                               "READCD:from=1000:always", "grab", out.string()});
  ASSERT_GT(grab, 0);
  const auto holding = [&] {
    for (const auto& entry : fs::directory_iterator(out)) {
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

  EXPECT_FALSE(fs::exists(out / "track02.wav"));
  const auto first = test::ReadBytes(out / "track01.wav");
  ASSERT_EQ(first.size(), 44u + 40 * 2352);
  EXPECT_EQ(first[40] | first[41] << 8 | first[42] << 16, 40 * 2352);

  // The next grab names what the killed one left, and --overwrite removes it.
  const auto again = Cli({"grab", "--overwrite", out.string()});
  EXPECT_EQ(again.exitStatus, 0) << again.err;
  EXPECT_THAT(again.err,
              HasSubstr("Files left in the output folder by an interrupted grab are removed: track02.wav.part-"));
  for (const auto& entry : fs::directory_iterator(out)) {
    EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace brenmark::endtoend
