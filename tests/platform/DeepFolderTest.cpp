#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/Directory.h"
#include "platform/File.h"
#include "tests/platform/DeepTree.h"

namespace brenmark::platform {
namespace {

constexpr int kLevels = 22;
constexpr std::size_t kNameLength = 200;

TEST(DeepFolder, EntriesBeyondTheLongestPathAreListedAndRead) {
  const auto root = std::filesystem::temp_directory_path() /
                    ("brenmark-deep-" + std::to_string(::getpid()));
  std::filesystem::create_directories(root);
  testing::MakeDeepTree(root, kLevels, kNameLength, "leaf.txt", "deep contents");

  Directory folder;
  ASSERT_TRUE(folder.Open(root)) << folder.lastError();
  std::vector<std::string> names;
  for (int level = 0; level < kLevels; ++level) {
    ASSERT_TRUE(folder.List(names)) << folder.lastError();
    ASSERT_EQ(names.size(), 1u);
    const auto status = folder.StatusOf(names[0]);
    ASSERT_TRUE(status && status->isDirectory()) << "level " << level;
    Directory inner;
    ASSERT_TRUE(inner.OpenAt(folder, names[0])) << inner.lastError();
    folder = std::move(inner);
  }
  ASSERT_TRUE(folder.List(names));
  EXPECT_EQ(names, std::vector<std::string>{"leaf.txt"});
  const auto leafStatus = folder.StatusOf("leaf.txt");
  ASSERT_TRUE(leafStatus);
  EXPECT_EQ(leafStatus->size, 13u);

  File leaf;
  ASSERT_TRUE(leaf.OpenSourceAt(folder, "leaf.txt")) << leaf.lastError();
  char text[32] = {};
  EXPECT_EQ(leaf.Read(text, sizeof text), 13);
  EXPECT_STREQ(text, "deep contents");
  EXPECT_EQ(leaf.ReadAt(5, text, 8), 8);
  EXPECT_EQ(std::string(text, 8), "contents");

  folder.Close();
  testing::RemoveDeepTree(root, kLevels, kNameLength);
}

}  // namespace
}  // namespace brenmark::platform
