#include <gtest/gtest.h>

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

TEST_F(FolderLockTest, AMissingFolderIsAFailureNotBusy) {
  std::string error;
  EXPECT_FALSE(TryLockFolder(folder_ / "missing", error).held());
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace
}  // namespace brenmark::platform
