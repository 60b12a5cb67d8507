#include <fcntl.h>
#include <gtest/gtest.h>
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

// The lock the Windows program takes under Wine reaches this system as a
// process-owned write lock on the lock file's first byte, held by the Wine
// server. Such a lock, in another process, and this lock exclude each other.
TEST_F(FolderLockTest, ExcludesARecordLockOnTheFirstByteHeldByAnotherProcess) {
  const fs::path lockFile = folder_ / FolderLock::kLockFileName;
  // The other process, made before the lock is taken so that it shares none of
  // its descriptors, tries the first byte whenever told, and says how it went.
  int toParent[2];
  int toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    char order = 0;
    while (::read(toChild[0], &order, 1) == 1 && order == 't') {
      const int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock firstByte {};
      firstByte.l_type = F_WRLCK;
      firstByte.l_whence = SEEK_SET;
      firstByte.l_len = 1;
      const char outcome = ::fcntl(descriptor, F_SETLK, &firstByte) == 0 ? 'l' : 'b';
      if (::write(toParent[1], &outcome, 1) != 1) ::_exit(1);
      if (outcome == 'b') ::close(descriptor);
    }
    ::_exit(0);
  }
  const auto otherTries = [&] {
    char outcome = 0;
    EXPECT_EQ(::write(toChild[1], "t", 1), 1);
    EXPECT_EQ(::read(toParent[0], &outcome, 1), 1);
    return outcome;
  };

  std::string error;
  FolderLock first = TryLockFolder(folder_, error);
  ASSERT_TRUE(first.held()) << error;
  EXPECT_FALSE(LockIsFree());  // one holder at a time within this process too
  FolderLock ours = std::move(first);
  EXPECT_FALSE(LockIsFree());
  EXPECT_EQ(otherTries(), 'b') << "the other process took the first byte of a locked folder's lock file";
  ours.Release();
  EXPECT_EQ(otherTries(), 'l');
  EXPECT_FALSE(LockIsFree());

  // Its holder's end frees the folder.
  ASSERT_EQ(::write(toChild[1], "q", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(LockIsFree());
  for (const int descriptor : {toParent[0], toParent[1], toChild[0], toChild[1]}) ::close(descriptor);

  // A missing folder is a failure, not a busy one.
  EXPECT_FALSE(TryLockFolder(folder_ / "missing", error).held());
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace brenmark::platform
