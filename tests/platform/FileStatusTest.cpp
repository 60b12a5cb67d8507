#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/DataFolder.h"
#include "platform/Directory.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "tests/support/PipesAndSockets.h"
#include "tests/support/TempFolder.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

class FileStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_ / "folder");
    std::ofstream(root_ / "file", std::ios::binary) << "12345";
    fs::create_symlink("file", root_ / "good link");
    fs::create_symlink("nowhere", root_ / "dangling");
    fs::create_symlink("loop b", root_ / "loop a");
    fs::create_symlink("loop a", root_ / "loop b");
    testsupport::MakeFifo(root_ / "pipe");
  }
  testsupport::TempFolder temp_{"status"};
  fs::path root_ = temp_.path();
  testsupport::BoundSocket socket_{root_ / "socket"};
};

TEST_F(FileStatusTest, KindsAndSizesByPathAndInsideAFolder) {
  struct Case {
    const char* name;
    FileKind kind;
    std::uint64_t size;
  };
  const Case cases[] = {
      {"file", FileKind::Regular, 5},       {"good link", FileKind::Regular, 5},
      {"folder", FileKind::Directory, 0},   {"dangling", FileKind::UnresolvedLink, 7},
      {"loop a", FileKind::UnresolvedLink, 6}, {"pipe", FileKind::NamedPipe, 0},
      {"socket", FileKind::Socket, 0},
  };
  Directory folder;
  ASSERT_TRUE(folder.Open(root_));
  for (const Case& c : cases) {
    std::string byPathError, inFolderError;
    const auto byPath = ReadFileStatus(root_ / c.name, &byPathError);
    const auto inFolder = folder.StatusOf(c.name, &inFolderError);
    ASSERT_TRUE(byPath && inFolder) << c.name;
    EXPECT_EQ(byPath->kind, c.kind) << c.name;
    EXPECT_EQ(inFolder->kind, c.kind) << c.name;
    EXPECT_EQ(byPath->size, c.size) << c.name;
    EXPECT_EQ(byPath->inode, inFolder->inode) << c.name;
    if (c.kind == FileKind::UnresolvedLink) {
      EXPECT_FALSE(byPathError.empty()) << c.name;
    }
  }
  EXPECT_EQ(ReadFileStatus("/dev/null")->kind, FileKind::Device);
  std::string error;
  EXPECT_FALSE(ReadFileStatus(root_ / "missing", &error));
  EXPECT_EQ(error, "No such file or directory");

  // A pipe opened as a source neither blocks nor fails.
  File pipe;
  ASSERT_TRUE(pipe.OpenSource(root_ / "pipe")) << pipe.lastError();
  char byte = 0;
  // No writer: the read ends at once instead of waiting for one.
  EXPECT_EQ(pipe.Read(&byte, 1), 0);
}

TEST_F(FileStatusTest, WritingReportsTheSystemsReason) {
  File file;
  ASSERT_TRUE(file.OpenForWriting(root_ / "written", true));
  ASSERT_TRUE(file.WriteAt(4096, "x", 1));
  EXPECT_EQ(file.Status()->size, 4097u);
  ASSERT_TRUE(file.Resize(10));
  EXPECT_EQ(file.Status()->size, 10u);
  ASSERT_TRUE(file.Close());

  File readOnly;
  ASSERT_TRUE(readOnly.OpenForReading(root_ / "written"));
  EXPECT_FALSE(readOnly.WriteAt(0, "x", 1));
  EXPECT_EQ(readOnly.lastError(), "Bad file descriptor");
  EXPECT_FALSE(File().OpenForWriting(root_ / "no folder" / "file", true));
}

TEST(DataFolder, FollowsTheUsersDataHome) {
  const char* savedData = std::getenv("XDG_DATA_HOME");
  const std::string saved = savedData ? savedData : "";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(ApplicationDataFolder(), fs::path("/srv/data/brenmark"));
  // A relative value is not a place to rely on: the home folder's default is used.
  ::setenv("XDG_DATA_HOME", "relative", 1);
  ::setenv("HOME", "/home/tester", 1);
  EXPECT_EQ(ApplicationDataFolder(), fs::path("/home/tester/.local/share/brenmark"));
  ::setenv("HOME", savedHome.c_str(), 1);
  if (savedData) {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace brenmark::platform
