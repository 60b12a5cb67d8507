// What brenmark-cli tells about the virtual recorders' own files and options,
// and two processes on one recorder: the second is refused while the first
// burns, and a first process killed outright frees it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <tuple>
#include <utility>

#include "jobs/burn/DataDiscJob.h"
#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// A disc file that cannot be written (here a link stands where the image goes,
// and is not written through): the burn fails naming the folder and the
// reason, not only the sector.
TEST(RecorderCli, AnImageThatCannotBeWrittenNamesTheFolderAndTheReason) {
  ScratchFolder data("planted-link-data");
  ScratchFolder source("planted-link-source");
  WritePatternFile(source.path() / "file.bin", 300000, 1);
  WritePatternFile(source.path() / "target", 100, 2);
  fs::create_directories(data.path() / "virtual-dvd");
  fs::create_symlink(source.path() / "target", data.path() / "virtual-dvd" / "disc.iso");
  const ProcessOutput burn = Cli(data.path(), {"--drive", "virtual-dvd", "--no", "burn-dvd", source.path().string()});
  EXPECT_EQ(burn.exitStatus, 1);
  EXPECT_THAT(burn.err, HasSubstr("could not write its disc files in " + (data.path() / "virtual-dvd").string()));
  EXPECT_THAT(burn.err, HasSubstr("disc.iso for writing: File exists (a symbolic link stands in its place"));
  EXPECT_EQ(fs::file_size(source.path() / "target"), 100u);
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

// A written disc the eject cannot keep ("burned discs" replaced by a file
// while the data is written, after the recorder has checked its folders): the
// burn fails saying why and that the disc is still in the tray, and the next
// eject, by another process once the folder can take it, keeps that same disc.
TEST(RecorderCli, AWrittenDiscThatCannotBeKeptFailsTheBurnAndStaysInTheTray) {
  ScratchFolder source("not-kept-source");
  WritePatternFile(source.path() / "file.bin", 300000, 1);
  for (const auto& [drive, job, name, extension] :
       {std::tuple{VirtualBench::kCdDrive, &DataCdJob, "virtual-cd", ".cue"},
        std::tuple{VirtualBench::kDvdDrive, &DataDvdJob, "virtual-dvd", ".iso"}}) {
    SCOPED_TRACE(name);
    VirtualBench bench;
    const fs::path burned = bench.discs.path() / "burned discs";
    JobInputs inputs;
    inputs.sourceTree = VirtualBench::TreeOf(source.path());
    inputs.currentDrive = drive;
    inputs.writeSpeed = 705;
    auto progress = std::make_shared<test::ActingProgress>("Writing Data To CD...", [&burned] {
      fs::remove_all(burned);
      WritePatternFile(burned, 10, 2);
    });
    const auto burn = bench.runner->Start(job, std::move(inputs), progress);
    burn->Wait();
    EXPECT_EQ(burn->result(), JobEnd::BurnFailed);
    const auto texts = bench.prompt.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_THAT(texts[0], HasSubstr("could not keep its image in the burned discs folder: " + burned.string()));
    EXPECT_THAT(texts[0], HasSubstr("The disc is still in the recorder's tray"));
    EXPECT_THAT(bench.finishedImages(), ::testing::IsEmpty());

    fs::remove(burned);
    EXPECT_THAT(Cli(bench.discs.path(), {"--drive", name, "tray", "show"}).out, HasSubstr("1 track(s)"));
    const ProcessOutput eject = Cli(bench.discs.path(), {"--drive", name, "tray", "eject"});
    EXPECT_EQ(eject.exitStatus, 0) << eject.err;
    EXPECT_THAT(eject.out, HasSubstr(burned.string()));
    EXPECT_THAT(eject.out, HasSubstr(extension));
  }
}

constexpr const char* kBusy = "The selected device is busy with another job.\nPlease wait until that job has finished.";

TEST(TwoProcesses, ARecorderBurningInOneProcessIsBusyForAnotherUntilThatOneDies) {
  ScratchFolder data("two-process-data");
  ScratchFolder source("two-process-source");
  WritePatternFile(source.path() / "file.bin", 100000, 1);
  // A buffer that never drains keeps the burn waiting while the other process tries.
  const std::vector<std::string> burn = {"--data-dir", data.path().string(), "--drive", "virtual-cd", "--no",
                                         "--fault", "bufferfull:always", "burn-cd", source.path().string()};
  pid_t burner = StartCli(burn);
  ASSERT_GT(burner, 0);

  // Waits with a look at the tray, which changes nothing, until the burner holds the recorder:
  // an eject that came before it would take away the blank it is about to burn. A look holds
  // the recorder for a moment itself; a burner that met it there was told "busy" and ended,
  // and is started again.
  bool held = false;
  for (int attempt = 0; attempt < 600 && !held; ++attempt) {
    held = Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"}).exitStatus != 0;
    if (held) break;
    int ended = 0;
    if (::waitpid(burner, &ended, WNOHANG) == burner) {
      burner = StartCli(burn);
      ASSERT_GT(burner, 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!held) ::kill(burner, SIGKILL);
  ASSERT_TRUE(held);
  const ProcessOutput tray = Cli(data.path(), {"--drive", "virtual-cd", "tray", "eject"});
  EXPECT_EQ(tray.exitStatus, 1);
  EXPECT_THAT(tray.err, HasSubstr(kBusy));
  const ProcessOutput secondBurn = Cli(data.path(), {"--drive", "virtual-cd", "--no", "burn-cd", source.path().string()});
  EXPECT_EQ(secondBurn.exitStatus, 1);
  EXPECT_THAT(secondBurn.err, HasSubstr(kBusy));
  // The other recorder is not held.
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "show"}).exitStatus, 0);

  ASSERT_EQ(::kill(burner, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(burner, &status, 0), burner);
  const ProcessOutput after = Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"});
  EXPECT_EQ(after.exitStatus, 0) << after.err;
  EXPECT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank"}).exitStatus, 0);
}

// A lock file that cannot be taken is no lock held: with a folder or a named
// pipe at its name, a burn and an emptying of the tray are refused, naming
// the file and the reason, and the blank stays in the tray.
TEST(TwoProcesses, ALockThatCannotBeTakenRefusesBurnAndTray) {
  ScratchFolder source("untakable-lock-source");
  WritePatternFile(source.path() / "file.bin", 100000, 1);
  for (const bool pipe : {false, true}) {
    ScratchFolder data("untakable-lock-data");
    ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank"}).exitStatus, 0);
    const fs::path lock = data.path() / "virtual-cd" / ".lock";
    fs::remove(lock);
    ASSERT_TRUE(pipe ? ::mkfifo(lock.c_str(), 0600) == 0 : fs::create_directory(lock));
    const std::string refusal = lock.string() + (pipe ? ": it is not a regular file" : ": Is a directory");
    for (const std::string command : {"burn-cd", "tray"}) {
      const ProcessOutput refused =
          Cli(data.path(), command == "tray" ? std::vector<std::string>{"--drive", "virtual-cd", "tray", "empty"}
                                             : std::vector<std::string>{"--drive", "virtual-cd", "--no", "burn-cd",
                                                                        source.path().string()});
      EXPECT_EQ(refused.exitStatus, 1) << command << " " << refusal;
      EXPECT_THAT(refused.err, HasSubstr(refusal)) << command;
      EXPECT_THAT(refused.out, Not(HasSubstr(".cue"))) << command;  // no finished image
    }
    fs::remove(lock);
    EXPECT_THAT(Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"}).out, HasSubstr("blank CD-R"));
  }
}

// Ctrl+C on a burn at the real pace: with no terminal to ask on, the
// question is printed and taken as answered; the burn stops, closes and
// ejects the disc, and the program ends with status 1, not by the signal.
TEST(RecorderCli, CtrlCStopsABurnAtItsNextWrite) {
  ScratchFolder data("interrupt-data");
  ScratchFolder source("interrupt-source");
  WritePatternFile(source.path() / "file.bin", 8 * 1024 * 1024, 1);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "pace", "real"}).exitStatus, 0);
  const fs::path outputs = data.path() / "burn";
  const pid_t burner = StartCli({"--data-dir", data.path().string(), "--drive", "virtual-cd", "--speed", "706",
                                 "burn-cd", source.path().string()},
                                outputs);
  ASSERT_GT(burner, 0);
  const auto err = [&] { return ReadWholeFile(outputs.string() + ".err"); };
  for (int attempt = 0; attempt < 1000 && err().find("Writing Data To CD") == std::string::npos; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(::kill(burner, SIGINT), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(burner, &status, 0), burner);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_THAT(err(), HasSubstr("[Question] Stop the burn?"));
  EXPECT_THAT(err(), HasSubstr("[y/n] y (Ctrl+C)\nSynchronizing Cache..."));
  EXPECT_THAT(err(), HasSubstr("Stopped by the user."));
  EXPECT_THAT(ReadWholeFile(outputs.string() + ".out"), HasSubstr(" (failed)"));
}

// burn-dvd --verify reads the DVD back (which takes no READ CD) and ends "no
// differences" with status 0; a data CD that differs is in DataDiscJobTest.
TEST(RecorderCli, VerifyOfADataDvdEndsWithItsSummary) {
  ScratchFolder data("verify-data");
  ScratchFolder source("verify-source");
  WritePatternFile(source.path() / "small.txt", 100, 1);
  // Longer than one read-back chunk, the last one partial.
  WritePatternFile(source.path() / "movie.bin", 2500 * 2048, 2);
  const ProcessOutput clean =
      Cli(data.path(), {"--drive", "virtual-dvd", "burn-dvd", "--verify", source.path().string()});
  EXPECT_EQ(clean.exitStatus, 0) << clean.err;
  EXPECT_THAT(clean.err, HasSubstr("Verified: 2 files, 4.9 MB, no differences."));
  // The Joliet tree's stage of the same name as the ISO one's is not a second line.
  EXPECT_THAT(clean.err, HasSubstr("Creating Directory Records...\nCreating CD File System..."));
}

}  // namespace
}  // namespace brenmark::endtoend
