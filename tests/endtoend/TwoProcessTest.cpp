// Two brenmark-cli processes on one virtual recorder: the second is refused
// while the first burns, and a first process killed outright frees it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "tests/endtoend/CliRun.h"

extern char** environ;

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* kBusy = "The selected device is busy with another job.\nPlease wait until that job has finished.";

// Starts brenmark-cli in the background, its output discarded.
pid_t StartCli(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {BRENMARK_CLI_PATH};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

TEST(TwoProcesses, ARecorderBurningInOneProcessIsBusyForAnotherUntilThatOneDies) {
  ScratchFolder data("two-process-data");
  ScratchFolder source("two-process-source");
  WritePatternFile(source.path() / "file.bin", 100000, 1);
  // A buffer that never drains keeps the burn waiting while the other process tries.
  const pid_t burner = StartCli({"--data-dir", data.path().string(), "--drive", "virtual-cd", "--no", "--fault",
                                 "bufferfull:always", "burn-cd", source.path().string()});
  ASSERT_GT(burner, 0);

  // Waits with a look at the tray, which changes nothing, until the burner holds the recorder:
  // an eject that came before it would take away the blank it is about to burn.
  bool held = false;
  for (int attempt = 0; attempt < 600 && !held; ++attempt) {
    held = Cli(data.path(), {"--drive", "virtual-cd", "tray", "show"}).exitStatus != 0;
    if (!held) std::this_thread::sleep_for(std::chrono::milliseconds(50));
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

}  // namespace
}  // namespace brenmark::endtoend
