#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "datadisc/Names.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> DiscNames(const EntryList& list) {
  std::vector<std::string> names;
  for (const auto& node : list) names.push_back(node->discName);
  return names;
}

using test::FileOf;
using test::Folder;

TEST(SourceTree, ScanKeepsEverythingSortedByDiscName) {
  test::TempFolder folder;
  folder.MakeFile("Data/readme.txt", 100);
  folder.MakeFile("Data/Sub/a.txt", 5000);
  folder.MakeFile("Data/.hidden", 1);
  folder.MakeFile("Data/_under", 1);
  folder.MakeFile("Data/\xC3\xA9t\xC3\xA9", 1);
  folder.MakeFolder("Data/empty");
  folder.MakeFolder("Empty");

  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  SourceNode* data = tree.AddPath((folder.path() / "Data").string(), nullptr);
  ASSERT_EQ(tree.entries().size(), 1u);
  EXPECT_TRUE(data->isDirectory);
  EXPECT_EQ(data->sourceName(), "Data");
  EXPECT_EQ(DiscNames(data->children()),
            (std::vector<std::string>{"\xC3\xA9t\xC3\xA9", ".hidden", "Sub", "empty", "readme.txt",
                                      "_under"}));
  const SourceNode* sub = data->children()[2].get();
  EXPECT_EQ(sub->parent, data);
  EXPECT_EQ(sub->SourcePath(), (folder.path() / "Data/Sub").string());
  EXPECT_EQ(sub->firstChild()->dataLength, 5000u);
  EXPECT_EQ(tree.ComputeDepth(), 3u);

  SourceTree empty(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  const SourceNode* node = empty.AddPath((folder.path() / "Empty").string(), nullptr);
  EXPECT_TRUE(node->isDirectory);
  EXPECT_EQ(node->firstChild(), nullptr);
  EXPECT_EQ(empty.ComputeDepth(), 1u);
}

// A scan must name entries as if each had been added on its own, in the
// order the folder listing gives them.
TEST(SourceTree, ScanMatchesOneByOneInsertion) {
  test::TempFolder folder;
  std::vector<std::string> sourceNames{"A.TXT", "a.txt", "A_1.TXT", "a_1.txt", "A.txt",
                                       "A_1_2.TXT", "b", "B", "A_2.TXT", "x.A.TXT"};
  for (const std::string& name : sourceNames) folder.MakeFile("Top/" + name, 1);
  SourceTree scanned(SourceTree::kIsoOnly, SourceTree::kIso83Names, false, false);
  scanned.AddPath((folder.path() / "Top").string(), nullptr);

  SourceTree oneByOne(SourceTree::kIsoOnly, SourceTree::kIso83Names, false, false);
  SourceNode* top = oneByOne.AddEntry(nullptr, (folder.path() / "Top").string(), Folder());
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path() / "Top"))
    oneByOne.AddEntry(top, entry.path().string(), FileOf(1));

  const auto names = DiscNames(scanned.entries()[0]->children());
  EXPECT_EQ(names, DiscNames(top->children()));
  EXPECT_EQ(names.size(), 10u);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), NameOrder()));
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());

  // Whatever the naming rule and the renames made of the disc names, each
  // entry is still read by its own name, in the tree and in its clone.
  std::sort(sourceNames.begin(), sourceNames.end());
  const auto clone = scanned.Clone();
  for (const SourceTree* tree : {&scanned, clone.get()}) {
    std::vector<std::string> read;
    for (const auto& node : tree->entries()[0]->children()) {
      read.push_back(node->sourceName());
      EXPECT_EQ(node->SourcePath(), (folder.path() / "Top" / node->sourceName()).string());
    }
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, sourceNames);
  }
}

TEST(SourceTree, FolderWithoutLastComponentGetsAName) {
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  const SourceNode* root = tree.AddEntry(nullptr, "/", Folder());
  EXPECT_EQ(root->sourceName(), "root");
  EXPECT_EQ(root->discName, "root");
  const SourceNode* slashed = tree.AddEntry(nullptr, "/media/usb stick/", Folder());
  EXPECT_EQ(slashed->discName, "usb stick");
  EXPECT_EQ(slashed->SourcePath(), "/media/usb stick/");

  // "." and ".." stand for a folder with a name of its own.
  test::TempFolder folder;
  folder.MakeFolder("Top/sub");
  const std::string top = (folder.path() / "Top").string();
  for (const std::string& path : {top + "/.", top + "/sub/..", top + "/sub/../"}) {
    EXPECT_EQ(tree.AddEntry(nullptr, path, Folder())->sourceName(), "Top") << path;
  }
  EXPECT_EQ(tree.AddEntry(nullptr, "/..", Folder())->sourceName(), "root");
}

TEST(SourceTree, LabelAndFileStatus) {
  SourceTree iso(SourceTree::kIsoOnly, SourceTree::kIso83Names, false, false);
  SourceTree joliet(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  iso.SetVolumeLabel("TestDisc");
  joliet.SetVolumeLabel("TestDisc");
  EXPECT_EQ(iso.volumeLabel + joliet.volumeLabel, "TESTDISCTestDisc");

  // A file whose last write lies in 2001: its creation time is its birth
  // time where the file system keeps one.
  test::TempFolder folder;
  const fs::path file = folder.MakeFile("old.txt", 10);
  const timeval old[2] = {{978307200, 0}, {978307200, 0}};
  ASSERT_EQ(::utimes(file.c_str(), old), 0);
  const SourceNode* node = joliet.AddEntry(nullptr, file.string());
  struct statx sx {};
  ASSERT_EQ(::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME, &sx), 0);
  if ((sx.stx_mask & STATX_BTIME) != 0) {
    EXPECT_EQ(node->creationTime, sx.stx_btime.tv_sec);
    EXPECT_GT(node->creationTime, 978307200);
  } else {
    EXPECT_EQ(node->creationTime, 978307200);
  }
  EXPECT_EQ(node->fileSize, 10u);

  // A file of more than 4 GiB keeps its full size next to the low 32 bits.
  const SourceNode* big = joliet.AddEntry(nullptr, "/big", FileOf(0x100000005ULL));
  EXPECT_EQ(big->dataLength, 5u);
  EXPECT_EQ(big->fileSize, 0x100000005ULL);
}

TEST(SourceTree, LinksNeitherLoopNorVanishAndWhatCannotBeReadIsNoted) {
  test::TempFolder folder;
  folder.MakeFile("Top/sub/file", 4);
  fs::create_directory_symlink(folder.path() / "Top", folder.path() / "Top/sub/back");
  fs::create_symlink(folder.path() / "nowhere", folder.path() / "Top/dangling");
  fs::create_symlink("loop", folder.path() / "Top/sub/loop");
  fs::create_symlink(folder.path() / "Top/sub/file", folder.path() / "Top/link");

  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  const std::string topPath = (folder.path() / "Top").string();
  const SourceNode* top = tree.AddPath(topPath, nullptr);
  EXPECT_EQ(DiscNames(top->children()), (std::vector<std::string>{"link", "sub"}));
  EXPECT_EQ(top->children()[0]->dataLength, 4u);  // a link to a file is the file
  ASSERT_EQ(tree.unreadable().size(), 2u);  // their paths and reasons are told in SourceFolderCliTest
  EXPECT_EQ(tree.unreadable()[1].path, topPath + "/sub/loop");
  EXPECT_EQ(tree.Clone()->unreadable().size(), 2u);
  EXPECT_EQ(tree.AddPath(topPath + "/missing", nullptr), nullptr);
  EXPECT_EQ(tree.unreadable().size(), 3u);
  const SourceNode* sub = top->children()[1].get();
  ASSERT_EQ(sub->children().size(), 2u);
  const SourceNode* back = sub->children()[0].get();
  EXPECT_TRUE(back->isDirectory);
  EXPECT_TRUE(back->children().empty());
}

}  // namespace
}  // namespace brenmark::datadisc
