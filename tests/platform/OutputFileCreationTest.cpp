// Files made for output beside what a user, or another user, may have put at
// their names: exclusive creation, no link followed, renames that replace a
// link and not its target, and a log that is only added to.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "tests/support/TempFolder.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OutputFileCreationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(folder / "target") << "precious";
    fs::create_symlink(folder / "target", folder / "link");
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    std::ofstream(folder / "plain") << "mine";
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
  }

  testsupport::TempFolder scratch{"output-files"};
  const fs::path folder = scratch.path();
};

TEST_F(OutputFileCreationTest, CreatingAndRenamingRefuseWhatIsThereAndGoThroughNoLink) {
  std::ofstream(folder / "grabbed") << "grabbed";
  std::string error;
  for (const char* name : {"plain", "link", "dangling", "pipe"}) {
    SCOPED_TRACE(name);
    File file;
    EXPECT_FALSE(file.CreateNew(folder / name));
    EXPECT_EQ(file.lastError(), "File exists");
    EXPECT_FALSE(RenameFileNoReplace(folder / "grabbed", folder / name, error));
    EXPECT_EQ(error, "File exists");
  }
  EXPECT_FALSE(fs::exists(folder / "nowhere"));
  EXPECT_EQ(ReadText(folder / "target"), "precious");
  EXPECT_EQ(ReadText(folder / "plain"), "mine");
  EXPECT_EQ(LookAtEntry(folder / "dangling"), EntryAtPath::Link);
  EXPECT_EQ(LookAtEntry(folder / "pipe"), EntryAtPath::Other);

  File fresh;
  ASSERT_TRUE(fresh.CreateNew(folder / "fresh")) << fresh.lastError();
  EXPECT_TRUE(fresh.WriteAt(0, "new", 3));
  EXPECT_TRUE(fresh.Close());
  EXPECT_EQ(ReadText(folder / "fresh"), "new");

  // A rename replaces a link at the name, never its target.
  ASSERT_TRUE(RenameFile(folder / "fresh", folder / "link", error)) << error;
  EXPECT_EQ(LookAtEntry(folder / "link"), EntryAtPath::RegularFile);
  EXPECT_EQ(ReadText(folder / "link"), "new");
  EXPECT_EQ(ReadText(folder / "target"), "precious");
}

TEST_F(OutputFileCreationTest, AppendingOpensOnlyARegularFileAndNeverBlocksOnAPipe) {
  File log, other;
  ASSERT_TRUE(log.OpenForAppending(folder / "plain")) << log.lastError();
  ASSERT_TRUE(other.OpenForAppending(folder / "plain")) << other.lastError();
  ASSERT_TRUE(log.WriteAt(static_cast<std::int64_t>(log.Status()->size), " and more", 9));
  // Each append goes after what the other one wrote, as another process's would.
  ASSERT_TRUE(other.Append(" and others", 11));
  ASSERT_TRUE(log.Append(" and last", 9));
  EXPECT_TRUE(log.Close());
  EXPECT_EQ(ReadText(folder / "plain"), "mine and more and others and last");
  ASSERT_TRUE(log.OpenForAppending(folder / "new.log")) << log.lastError();
  EXPECT_EQ(log.Status()->size, 0u);

  for (const char* name : {"link", "dangling", "pipe"}) {
    SCOPED_TRACE(name);
    File refused;
    EXPECT_FALSE(refused.OpenForAppending(folder / name));
    EXPECT_FALSE(refused.lastError().empty());
    EXPECT_FALSE(refused.isOpen());
  }
  EXPECT_FALSE(fs::exists(folder / "nowhere"));
  EXPECT_EQ(ReadText(folder / "target"), "precious");
}

}  // namespace
}  // namespace brenmark::platform
