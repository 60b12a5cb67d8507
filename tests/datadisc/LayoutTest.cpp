#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

using test::FileOf;
using test::Folder;

class Layout : public ::testing::Test {
 protected:
  SourceTree tree_{SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false};

  SourceNode* Dir(SourceNode* parent, const std::string& name) {
    return tree_.AddEntry(parent, "/src/" + name, Folder());
  }
  SourceNode* File(SourceNode* parent, const std::string& name, std::uint64_t size) {
    return tree_.AddEntry(parent, "/src/" + name, FileOf(size));
  }
  LayoutResult RunLayout(ImageLayout& layout) {
    tree_.ComputeDepth();
    return layout.Run();
  }
};

TEST_F(Layout, DirectoriesNumberedByLevelThenParentThenName) {
  SourceNode* top = Dir(nullptr, "T");
  SourceNode* b = Dir(top, "B");
  SourceNode* a = Dir(top, "A");
  Dir(a, "z");
  Dir(b, "y");
  Dir(a, "m");
  File(top, "f", 1);
  ImageLayout layout(tree_, 0);
  ASSERT_TRUE(RunLayout(layout).ok());

  std::vector<std::tuple<std::string, int, int>> rows;
  for (const auto& entry : layout.pathTables().entries())
    rows.emplace_back(entry.jolietName, entry.number, entry.parentNumber);
  EXPECT_EQ(rows,
            (std::vector<std::tuple<std::string, int, int>>{
                {"T", 2, 1}, {"A", 3, 2}, {"B", 4, 2}, {"m", 5, 3}, {"z", 6, 3}, {"y", 7, 4}}));
  EXPECT_EQ(layout.pathTables().DirectoryCount(), 7u);
  EXPECT_EQ(layout.pathTables().FindByNumber(7)->jolietName, "y");
  EXPECT_EQ(layout.pathTables().FindPath(3, "z", 0)->number, 6);
  EXPECT_EQ(layout.pathTables().FindPath(3, "z", 5), nullptr);
  EXPECT_EQ(layout.pathTables().FindPath(4, "z", 0), nullptr);
  // Directory nodes carry their path table entry's extents.
  EXPECT_EQ(a->isoExtent, layout.pathTables().FindByNumber(3)->isoExtent);
  EXPECT_EQ(a->jolietExtent, layout.pathTables().FindByNumber(3)->jolietExtent);
  EXPECT_EQ(a->dataLength, 2048u);
}

// A chain of directories `levels` deep below the chosen folder's list.
SourceNode* MakeChain(SourceTree& tree, int levels) {
  SourceNode* node = nullptr;
  for (int level = 1; level <= levels; ++level)
    node = tree.AddEntry(node, "/src/d" + std::to_string(level), Folder());
  tree.AddEntry(node, "/src/leaf", FileOf(1));
  return node;
}

TEST(LayoutDepth, IsoOnlyTreesAreCutBelowLevelNine) {
  for (int levels : {9, 10}) {
    SourceTree tree(SourceTree::kIsoOnly, SourceTree::kIso83Names, false, false);
    MakeChain(tree, levels);
    EXPECT_EQ(tree.ComputeDepth(), static_cast<std::uint32_t>(levels + 1));
    tree.depth = ImageLayout::kMaxIsoOnlyDepth;
    ImageLayout layout(tree, 0);
    const LayoutResult result = layout.Run();
    EXPECT_EQ(result.status, levels == 9 ? LayoutStatus::Ok : LayoutStatus::StructureError);
  }
}

TEST_F(Layout, RefusesWhatWouldCorruptTheImage) {
  ImageLayout none(tree_, 0);
  EXPECT_EQ(none.Run().status, LayoutStatus::NoEntries);

  // 4 GiB minus one byte still fits; 4 GiB is refused, naming the file. An
  // empty file shares the next file's address.
  SourceNode* top = Dir(nullptr, "top");
  const SourceNode* empty = File(top, "top/a", 0);
  const SourceNode* largest = File(top, "top/fits.bin", 0xFFFFFFFFULL);
  const SourceNode* last = File(top, "top/z", 1);
  ImageLayout fits(tree_, 0);
  ASSERT_TRUE(RunLayout(fits).ok());
  EXPECT_EQ(empty->isoExtent, fits.fileDataStart);
  EXPECT_EQ(largest->isoExtent, fits.fileDataStart);
  EXPECT_EQ(last->isoExtent, fits.fileDataStart + 2097152u);
  EXPECT_EQ(fits.imageEnd, fits.fileDataStart + 2097153u);
  File(top, "top/huge video.mkv", 0x100000000ULL);
  ImageLayout huge(tree_, 0);
  const LayoutResult result = RunLayout(huge);
  EXPECT_EQ(result.status, LayoutStatus::FileTooLarge);
  EXPECT_NE(result.message.find("/src/top/huge video.mkv"), std::string::npos) << result.message;
}

TEST_F(Layout, AtMost65535Directories) {
  // The root, the chosen folder and 65533 folders below it: exactly the limit.
  SourceNode* top = Dir(nullptr, "top");
  for (int i = 0; i < 65533; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "d%06d", i);
    Dir(top, std::string("top/") + name);
  }
  ImageLayout atLimit(tree_, 0);
  ASSERT_TRUE(RunLayout(atLimit).ok());
  EXPECT_EQ(atLimit.pathTables().DirectoryCount(), 65535u);
  EXPECT_EQ(atLimit.pathTables().entries().back().number, 65535);

  Dir(top, "top/one more");
  ImageLayout beyond(tree_, 0);
  const LayoutResult result = RunLayout(beyond);
  EXPECT_EQ(result.status, LayoutStatus::TooManyDirectories);
  EXPECT_NE(result.message.find("65535"), std::string::npos);
}

// Entries whose Joliet names differ but whose ISO 9660 names agree get
// unique ISO identifiers everywhere: records, path tables and sizes.
TEST_F(Layout, IsoIdentifiersAreMadeUnique) {
  SourceNode* top = Dir(nullptr, "Top");
  SourceNode* spaced = Dir(top, "my dir");
  SourceNode* underscored = Dir(top, "my_dir");
  SourceNode* readMe = File(top, "read me.txt", 1);
  SourceNode* read_me = File(top, "read_me.txt", 1);
  SourceNode* natural = File(top, "READ_M_1.TXT", 1);
  ImageLayout layout(tree_, 0);
  ASSERT_TRUE(RunLayout(layout).ok());

  EXPECT_EQ(spaced->isoName, "MY_DIR");
  EXPECT_EQ(underscored->isoName, "MY_DIR_1");
  // The name an entry gets naturally is never taken by a renamed one.
  EXPECT_EQ(natural->isoName, "READ_M_1.TXT");
  EXPECT_EQ(readMe->isoName, "READ_ME.TXT");
  EXPECT_EQ(read_me->isoName, "READ_M_2.TXT");
  // Joliet names and sibling order stay.
  EXPECT_EQ(top->children()[1]->discName, "my dir");
  EXPECT_EQ(layout.pathTables().FindByNumber(4)->isoName, "MY_DIR_1");
  EXPECT_EQ(layout.pathTables().FindByNumber(4)->jolietName, "my_dir");
  // Path table: root 10, TOP 8+3+1, MY_DIR 8+6, MY_DIR_1 8+8.
  EXPECT_EQ(layout.isoPathTableSize, 10u + 12 + 14 + 16);
  // Records: dots 68, MY_DIR 40, MY_DIR_1 42, READ_M_1.TXT;1 48, READ_ME.TXT;1 46,
  // READ_M_2.TXT;1 48.
  EXPECT_EQ(layout.IsoDirectorySizeOf(0), 68u + 40 + 42 + 48 + 46 + 48);

  const auto records = test::Sectors(test::Render(layout), top->isoExtent);
  const std::string topRecords(records.begin(), records.end());
  for (const char* name :
       {"MY_DIR", "MY_DIR_1", "READ_ME.TXT;1", "READ_M_1.TXT;1", "READ_M_2.TXT;1"})
    EXPECT_NE(topRecords.find(name), std::string::npos) << name;
}

}  // namespace
}  // namespace brenmark::datadisc
