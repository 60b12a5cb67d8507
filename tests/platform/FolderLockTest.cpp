#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FolderLock.h"
#include "tests/support/TempFolder.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

class FolderLockTest : public ::testing::Test {
 protected:
  bool LockIsFree() {
    std::string error;
    const FolderLock probe = TryLockFolder(folder_, error);
    EXPECT_EQ(error, "");
    return probe.held();
  }

  testsupport::TempFolder temp_{"lock"};
  fs::path folder_ = temp_.path();
};

TEST_F(FolderLockTest, OneHolderAtATimeWithinAProcess) {
  std::string error;
  FolderLock first = TryLockFolder(folder_, error);
  ASSERT_TRUE(first.held()) << error;
  EXPECT_FALSE(LockIsFree());
  FolderLock moved = std::move(first);
  EXPECT_FALSE(LockIsFree());
  moved.Release();
  EXPECT_TRUE(LockIsFree());
}

TEST_F(FolderLockTest, AKilledHolderLeavesTheFolderFree) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string error;
    const FolderLock lock = TryLockFolder(folder_, error);
    const char held = lock.held() ? 'y' : 'n';
    (void)!::write(ready[1], &held, 1);
    ::pause();
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'y');
  EXPECT_FALSE(LockIsFree());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(LockIsFree());
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_F(FolderLockTest, AMissingFolderIsAFailureNotBusy) {
  std::string error;
  EXPECT_FALSE(TryLockFolder(folder_ / "missing", error).held());
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace brenmark::platform
