// brenmark-cli expose: the virtual recorders as /dev/srN devices for other
// programs. Our own engine reaches them through SG_IO as it reaches a real
// drive, other programs through the same device calls; the discs are read
// back with the independent tools.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <thread>

#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/ExposeRun.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::map<std::string, std::string> Values(const std::string& text) {
  std::map<std::string, std::string> values;
  for (const std::string& line : Lines(text)) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return values;
}

TEST(ExposeCli, TheDeviceAnswersTheFileCallsOfABlockDeviceAndNothingElseChanges) {
  ScratchFolder data("expose-surface");
  const fs::path file = data.path() / "plain.txt";
  std::ofstream(file) << "plain";
  const ProcessOutput run = Expose(data.path(), {}, {}, {EXPOSE_PROBE_PATH, "surface", "/dev/sr90", file.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("/dev/sr90"));
  EXPECT_THAT(run.err, HasSubstr("/dev/sr91"));
  const std::string node = "block 11:90";
  // The node is a block device to every form of stat, opens and locks as one;
  // an ordinary file, another node and a reused descriptor are the system's.
  const std::map<std::string, std::string> expected = {
      {"stat", node}, {"lstat", node}, {"fstatat", node}, {"__xstat", node}, {"statx", node}, {"fstat", node},
      {"stat64", "block"}, {"access", "0"}, {"flock", "0"}, {"setlk", "0"}, {"close", "0"}, {"open", "ok"},
      {"openat", "ok"}, {"__open_2", "ok"}, {"getlk", "unlocked"}, {"sg_version", "3"},
      {"inquiry", "type 5 status 0 vendor Brenmark"}, {"identity", "ENOTTY"}, {"inquiry_after_close", "EBADF"},
      {"file_stat", "regular 5"}, {"file_read", "p"}, {"file_fstat", "regular 5"}, {"file_ioctl", "ENOTTY"},
      {"file_flock", "0"}, {"other_node", "ENOENT"}, {"reused_number", "same"}, {"reused_ioctl", "ENOTTY"}};
  EXPECT_EQ(Values(run.out), expected);
}

// Every process holding the device's descriptor reaches one device with one
// disc, as the kernel's device is: what a forked child, a program run with
// the descriptor or one sent it over a socket writes, the opener then finds
// written (its own write there refused, 5/21/02 on a CD-R). Closed by
// close_range or closefrom, it is free again and its number no device; a
// signal handler writing to a pipe and forks run while threads send commands.
TEST(ExposeCli, ProcessesSharingTheDescriptorShareOneDeviceAndOneDisc) {
  ScratchFolder data("expose-processes");
  const ProcessOutput run = Expose(data.path(), {}, {}, {"timeout", "60", EXPOSE_PROBE_PATH, "processes", "/dev/sr90"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::string refused = "5/21/02";
  const std::map<std::string, std::string> expected = {
      {"fork_blank", "0"}, {"fork_child", "0"}, {"fork_status", "1"}, {"fork_rewrite", refused},
      {"fork_append", "good"}, {"fork_open_busy", "0"}, {"exec_child", "0"}, {"exec_rewrite", refused},
      {"exec_append", "good"}, {"sent_child", "0"}, {"sent_rewrite", refused}, {"sent_append", "good"},
      {"close_range_number", "ENOTTY"}, {"close_range_free", "0"}, {"closefrom_number", "ENOTTY"},
      {"closefrom_free", "0"}, {"forked_children_working", "20"}, {"commands_ran", "yes"},
      {"signals_written", "yes"}};
  EXPECT_EQ(Values(run.out), expected);
}

// The tray of a device processes hold, worked by `brenmark-cli tray`: see
// TrayWhileHeld in ExposeProbe.cpp.
TEST(ExposeCli, TheUserSwapsTheDiscOfAHeldDeviceUnlessItIsLockedOrBeingWritten) {
  ScratchFolder data("expose-tray");
  WritePatternFile(data.path() / "source" / "file.bin", 40000, 2);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-cd", (data.path() / "source").string()}).exitStatus, 0);
  const ProcessOutput run =
      Expose(data.path(), {}, {},
             {"timeout", "60", EXPOSE_PROBE_PATH, "tray", "/dev/sr90", BRENMARK_CLI_PATH, data.path().string(),
              NewestImage(data.path(), ".cue").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::string told = "6/28/00";
  const std::map<std::string, std::string> expected = {
      {"prevent", "good"}, {"other_holders_eject_refused", "0"}, {"swap_locked", "1"},
      {"swap_locked_by_last_holder", "1"}, {"swap_unheld", "0"}, {"reopened", told}, {"eject_reopened", "good"}, {"swap", "0"},
      {"after_swap", told}, {"toc", "1-1"}, {"swap_again", "0"}, {"told_to_child", "0"}, {"told_once", "good"},
      {"write", "good"}, {"swap_writing", "1"}};
  EXPECT_EQ(Values(run.out), expected);
  EXPECT_THAT(run.err, HasSubstr("the disc is locked in the tray by a program using the recorder"));
  EXPECT_THAT(run.err, HasSubstr("the disc is being written by a program using the recorder"));
}

// Hostile turns: see Hostile in ExposeProbe.cpp. A killed writer leaves the
// disc as far as its image was written, and nothing that keeps the tray shut
// once no program holds the device; the user's eject racing the holder's
// close never leaves the old disc's state behind.
TEST(ExposeCli, KilledWritersRacingTrayActionsAndClosesLeaveOneConsistentDisc) {
  ScratchFolder data("expose-hostile");
  WritePatternFile(data.path() / "source" / "file.bin", 40000, 3);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-cd", (data.path() / "source").string()}).exitStatus, 0);
  const ProcessOutput run =
      Expose(data.path(), {}, {},
             {"timeout", "120", EXPOSE_PROBE_PATH, "hostile", "/dev/sr90", BRENMARK_CLI_PATH, data.path().string(),
              NewestImage(data.path(), ".cue").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::map<std::string, std::string> expected = {
      {"lone_killed", "consistent"}, {"lone_killed_show", "0"}, {"eject_held", "good"},
      {"shared_killed", "consistent"}, {"shared_killed_eject", "1"}, {"shared_killed_eject_closed", "0"},
      {"two_inserts", "0 0"}, {"two_inserts_told", "6/28/00 good"}, {"close_races_consistent", "10"}};
  EXPECT_EQ(Values(run.out), expected);
}

// The data folder expose makes is private whatever the umask: the recorders
// would hold no disc in one others can write in.
TEST(ExposeCli, TheDataFolderItMakesIsPrivate) {
  ScratchFolder parent("expose-umask");
  const fs::path data = parent.path() / "made" / "recorders";
  const mode_t previous = ::umask(0002);
  const ProcessOutput report = ExposedCli(data, {"--drive", "sr90", "disc-info"});
  ::umask(previous);
  EXPECT_EQ(report.exitStatus, 0) << report.err;
  EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(fs::status(data.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
}

// Programs that look for drives rather than open them find the recorders: in
// a listing of /dev, under the names wodim probes (/dev/scdN), in sysfs as
// removable SCSI CD-ROMs (eject needs no -F), as /dev/cdrom where the system
// has none (libcdio's drive list); the kernel's table stats as it opens.
TEST(ExposeCli, ProgramsThatLookForDrivesFindTheRecorders) {
  ScratchFolder data("expose-discovery");
  const auto run = [&](const std::vector<std::string>& command) {
    const ProcessOutput output = Expose(data.path(), {}, {}, command);
    EXPECT_EQ(output.exitStatus, 0) << command.front() << ": " << output.err;
    return output;
  };
  EXPECT_THAT(Lines(run({"ls", "/dev"}).out), ::testing::IsSupersetOf({"sr90", "sr91"}));
  EXPECT_EQ(run({"cat", "/sys/block/sr90/removable", "/sys/class/block/sr90/device/type", "/sys/dev/block/11:91/dev"}).out,
            "1\n5\n11:91\n");
  // wodim ends its listing with status 2 whatever it found.
  const std::string found = Expose(data.path(), {}, {}, {"wodim", "--devices"}).out;
  EXPECT_THAT(found, HasSubstr("dev='/dev/scd90'\trwrwrw : 'Brenmark' 'Virtual CD-RW'"));
  EXPECT_THAT(found, HasSubstr("dev='/dev/scd91'\trwrwrw : 'Brenmark' 'Virtual DVD-R'"));
  EXPECT_THAT(run({"eject", "-v", "/dev/sr90"}).out, HasSubstr("CD-ROM eject command succeeded"));
  if (!fs::exists("/dev/cdrom")) {
    EXPECT_THAT(run({"cd-drive"}).out, HasSubstr("Drive: /dev/cdrom\nVendor                      : Brenmark"));
  }
  run({"stat", "/proc/sys/dev/cdrom/info"});
}

// The command's own status passes through; what expose refuses itself,
// before running anything, exits 125, which no command's status is taken for.
TEST(ExposeCli, TheCommandsStatusPassesAndExposesOwnFailuresExit125) {
  ScratchFolder data("expose-refused");
  struct Case {
    std::vector<std::string> outer;
    std::vector<std::string> exposeOptions;
    std::vector<std::string> command;
    int exitStatus;
    std::string err;
  };
  const Case cases[] = {
      {{}, {"--cd-as", "/dev/null"}, {"true"}, 125, "/dev/null exists on this system"},
      {{}, {"--cd-as", "/dev/x", "--dvd-as", "/dev/x"}, {"true"}, 125, "need different paths"},
      {{"--fault", "WRITE10:from=-5"}, {}, {"true"}, 125, "--fault WRITE10:from=-5"},
      {{"--data-dir", "/dev/null"}, {}, {"true"}, 125, "/dev/null"},
      {{}, {}, {"sh", "-c", "exit 1"}, 1, ""},
      {{}, {}, {"sh", "-c", "exit 7"}, 7, ""},
      {{}, {}, {"sh", "-c", "kill -TERM $$"}, 128 + 15, ""},
      {{}, {}, {"/nonexistent/program"}, 127, "cannot run /nonexistent/program"},
      {{}, {}, {"/dev/null"}, 126, "cannot run /dev/null"},
  };
  for (const Case& test : cases) {
    const ProcessOutput run = Expose(data.path(), test.outer, test.exposeOptions, test.command);
    EXPECT_EQ(run.exitStatus, test.exitStatus) << test.command.front() << "\n" << run.err;
    EXPECT_THAT(run.err, HasSubstr(test.err)) << test.command.front();
  }
}

// A DVD on sr91, and both reports: the same as the in-process recorder's
// but for the drive's name.
TEST(ExposeCli, DataDvdAndTheReportsMatchTheInProcessRecorder) {
  ScratchFolder data("expose-dvd");
  ScratchFolder source("expose-dvd-source");
  WritePatternFile(source.path() / "big.bin", 700000, 3);
  const ProcessOutput burn = ExposedCli(data.path(), {"--drive", "sr91", "burn-dvd", source.path().string()});
  ASSERT_EQ(burn.exitStatus, 0) << burn.err;
  const fs::path iso = NewestImage(data.path(), ".iso");
  ScratchFolder read("expose-dvd-read");
  ASSERT_EQ(ExtractImage(iso, 0, read.path()).exitStatus, 0);
  ExpectSameFiles(source.path(), read.path() / source.path().filename());

  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-dvd", "tray", "insert", iso.string()}).exitStatus, 0);
  for (const char* report : {"device-info", "disc-info"}) {
    const ProcessOutput exposed = ExposedCli(data.path(), {"--drive", "sr91", report});
    const ProcessOutput direct = Cli(data.path(), {"--drive", "virtual-dvd", report});
    ASSERT_EQ(exposed.exitStatus, 0) << exposed.err;
    ASSERT_EQ(direct.exitStatus, 0) << direct.err;
    std::string renamed = exposed.out;
    for (std::size_t at = renamed.find("sr91"); at != std::string::npos; at = renamed.find("sr91"))
      renamed.replace(at, 4, "virtual-dvd");
    EXPECT_EQ(renamed, direct.out) << report;
  }
}

// Programs of their own kind take drives beyond /dev/sr0 to /dev/sr31 from
// the kernel's table of CD-ROM drives, which names the exposed devices; only
// reading it is answered. (What they read through the devices is in
// PeerBurnersTest and PeerReadersTest.)
TEST(ExposeCli, TheKernelsTableOfCdRomDrivesNamesTheDevices) {
  ScratchFolder data("expose-table");
  const ProcessOutput table = Expose(data.path(), {}, {}, {"cat", "/proc/sys/dev/cdrom/info"});
  ASSERT_EQ(table.exitStatus, 0) << table.err;
  EXPECT_THAT(table.out, ::testing::ContainsRegex("drive name:[^\n]*\tsr90\tsr91\n"));
  EXPECT_NE(Expose(data.path(), {}, {}, {"sh", "-c", "echo x > /proc/sys/dev/cdrom/info"}).exitStatus, 0);

  // Traced by the device inside the program's process: to expose's --trace,
  // then to the file BRENMARK_TRACE names.
  const fs::path trace = data.path() / "trace.log";
  const ProcessOutput toc =
      Expose(data.path(), {"--trace", trace.string()}, {}, {"xorriso", "-outdev", "/dev/sr90", "-toc"});
  ASSERT_EQ(toc.exitStatus, 0) << toc.err;
  const std::string tocTrace = ReadWholeFile(trace);
  EXPECT_THAT(tocTrace, HasSubstr(" | virtual-cd as /dev/sr90 | READ TOC/PMA/ATIP | 43 "));
  const std::size_t tocLines = Lines(tocTrace).size();

  ::setenv("BRENMARK_TRACE", trace.c_str(), 1);
  const ProcessOutput cdrskin = Expose(data.path(), {}, {}, {"cdrskin", "dev=/dev/sr90", "-toc"});
  ::unsetenv("BRENMARK_TRACE");
  ASSERT_EQ(cdrskin.exitStatus, 0) << cdrskin.err;
  EXPECT_GT(Lines(ReadWholeFile(trace)).size(), tocLines);
}

// Faults armed on the exposed recorders reach the program through SG_IO: a
// transport failure as a failed ioctl, a host failure in the header; either
// ends the burn as a failed burn.
TEST(ExposeCli, TransportAndHostFailuresEndTheBurnAsFailed) {
  ScratchFolder source("expose-fault-source");
  WritePatternFile(source.path() / "file.bin", 40000, 6);
  for (const char* fault : {"WRITE10:transport:always", "WRITE10:host=03:always", "WRITE10:host=01:always"}) {
    ScratchFolder data("expose-fault");
    const ProcessOutput burn =
        ExposedCli(data.path(), {"--drive", "sr90", "--no", "burn-cd", source.path().string()}, {"--fault", fault});
    EXPECT_EQ(burn.exitStatus, 1) << fault;
    EXPECT_THAT(burn.err, HasSubstr("Error writing sector 0.")) << fault;
    EXPECT_THAT(burn.err, HasSubstr("Disc burning failed.")) << fault;
  }
}

// A disc file that cannot be written: the program gets a write error, and
// its standard error says where and why.
TEST(ExposeCli, ADiscFileThatCannotBeWrittenIsAWriteErrorNamingTheFolderAndTheReason) {
  ScratchFolder data("expose-full");
  const fs::path work = data.path() / "virtual-dvd";
  fs::create_directories(work);
  fs::create_symlink("/dev/full", work / "disc.iso");
  WritePatternFile(data.path() / "source" / "file.bin", 300000, 1);
  const ProcessOutput burn =
      ExposedCli(data.path(), {"--drive", "sr91", "--no", "burn-dvd", (data.path() / "source").string()});
  EXPECT_EQ(burn.exitStatus, 1);
  EXPECT_THAT(burn.err, ::testing::AllOf(HasSubstr("brenmark-expose: the virtual recorder virtual-dvd could not write "
                                                   "its disc files in " + work.string()),
                                         HasSubstr("a symbolic link stands in its place and is not followed")));
}

// One process holds the device open: another's open is refused as busy, and
// succeeds once it has closed it. (What brenmark-cli says of a recorder held by
// another process is in TwoProcesses.)
TEST(ExposeCli, ADeviceHeldOpenIsBusyForOtherProcesses) {
  ScratchFolder data("expose-busy");
  const fs::path heldMark = data.path() / "held.out";
  const std::string holder = std::string(BRENMARK_CLI_PATH) + " --data-dir " + data.path().string() +
                             " expose -- " + EXPOSE_PROBE_PATH + " hold /dev/sr90 > " + heldMark.string() + " 2>&1";
  std::FILE* hold = popen(holder.c_str(), "w");
  ASSERT_NE(hold, nullptr);
  for (int wait = 0; wait < 600 && ReadWholeFile(heldMark).find("held") == std::string::npos; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_THAT(ReadWholeFile(heldMark), HasSubstr("held"));

  const ProcessOutput open = Expose(data.path(), {}, {}, {EXPOSE_PROBE_PATH, "open", "/dev/sr90"});
  EXPECT_EQ(open.exitStatus, 1);
  EXPECT_EQ(open.out, "open=EBUSY\n");
  // The other recorder is free.
  EXPECT_EQ(Expose(data.path(), {}, {}, {EXPOSE_PROBE_PATH, "open", "/dev/sr91"}).out, "open=0\n");

  std::fputs("\n", hold);
  EXPECT_EQ(pclose(hold), 0);
  EXPECT_EQ(Expose(data.path(), {}, {}, {EXPOSE_PROBE_PATH, "open", "/dev/sr90"}).out, "open=0\n");
}

}  // namespace
}  // namespace brenmark::endtoend
