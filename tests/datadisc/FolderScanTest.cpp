// What a folder scan leaves out and where it stops: entries that are not files
// or folders, pseudo file systems, folders reached again through links, and a
// stop requested while it runs.
#include <gtest/gtest.h>

#include <stop_token>
#include <string>
#include <vector>

#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"
#include "tests/support/PipesAndSockets.h"

namespace brenmark::datadisc {
namespace {

namespace fs = std::filesystem;

SourceTree MakeTree() { return SourceTree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false); }

std::vector<std::string> Names(const EntryList& list) {
  std::vector<std::string> names;
  for (const auto& node : list) names.push_back(node->sourceName());
  return names;
}

const SourceNode* Child(const SourceNode& folder, const std::string& name) {
  for (const auto& node : folder.children()) {
    if (node->sourceName() == name) return node.get();
  }
  return nullptr;
}

// The reason noted for `path`, or "(not noted)".
std::string NotedReason(const SourceTree& tree, const std::string& path) {
  for (const UnreadableEntry& entry : tree.unreadable()) {
    if (entry.path == path) return entry.reason;
  }
  return "(not noted)";
}

TEST(FolderScan, PipesSocketsAndDevicesAreSkippedAndNamed) {
  test::TempFolder folder;
  folder.MakeFile("Top/kept.txt", 10);
  const fs::path top = folder.path() / "Top";
  testsupport::MakeFifo(top / "pipe");
  testsupport::BoundSocket socket(top / "socket");
  fs::create_symlink("/dev/null", top / "null");

  SourceTree tree = MakeTree();
  const SourceNode* node = tree.AddPath(top.string(), nullptr);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Names(node->children()), std::vector<std::string>{"kept.txt"});
  EXPECT_EQ(NotedReason(tree, (top / "pipe").string()), "a named pipe, not a file: skipped");
  EXPECT_EQ(NotedReason(tree, (top / "socket").string()), "a socket, not a file: skipped");
  EXPECT_EQ(NotedReason(tree, (top / "null").string()), "a device, not a file: skipped");

  // Chosen on its own, such an entry is not added either.
  EXPECT_EQ(tree.AddPath((top / "pipe").string(), nullptr), nullptr);
  EXPECT_EQ(tree.unreadable().size(), 4u);
}

// The running system's folders, chosen themselves or reached below a chosen
// folder (through links here; from "/" they are mount points alike), stay
// empty with a note naming them.
TEST(FolderScan, PseudoFileSystemsAreNotEntered) {
  SourceTree roots = MakeTree();
  for (const char* root : {"/proc", "/sys", "/proc/self"}) {
    const SourceNode* node = roots.AddPath(root, nullptr);
    ASSERT_NE(node, nullptr) << root;
    EXPECT_TRUE(node->children().empty()) << root;
  }
  EXPECT_EQ(NotedReason(roots, "/proc"), "a proc pseudo file system, which describes the running system: not scanned");
  EXPECT_EQ(NotedReason(roots, "/sys"), "a sysfs pseudo file system, which describes the running system: not scanned");
  EXPECT_EQ(roots.unreadable().size(), 3u);
  // /dev reports the file system type of tmpfs; the mount table tells them apart.
  if (const SourceNode* dev = roots.AddPath("/dev", nullptr); dev != nullptr && roots.unreadable().size() == 4) {
    EXPECT_TRUE(dev->children().empty());
    EXPECT_NE(NotedReason(roots, "/dev").find("a devtmpfs pseudo file system"), std::string::npos);
  }

  test::TempFolder folder;
  folder.MakeFile("Top/kept.txt", 10);
  const fs::path top = folder.path() / "Top";
  fs::create_directory_symlink("/proc", top / "proc");
  fs::create_directory_symlink("/sys/kernel", top / "kernel");
  SourceTree below = MakeTree();
  const SourceNode* node = below.AddPath(top.string(), nullptr);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Names(node->children()), (std::vector<std::string>{"kept.txt", "kernel", "proc"}));
  EXPECT_EQ(test::CountNodes(node->children()), 3u);
  EXPECT_NE(NotedReason(below, (top / "proc").string()).find("a proc pseudo file system"), std::string::npos);
  EXPECT_NE(NotedReason(below, (top / "kernel").string()).find("a sysfs pseudo file system"), std::string::npos);
}

// Folders linked to from several places are scanned once: twenty levels of
// two links each to the next level would otherwise make a million entries.
TEST(FolderScan, EachFolderIsScannedOnceWhateverLinksLeadToIt) {
  test::TempFolder folder;
  constexpr int kLevels = 20;
  for (int level = 0; level < kLevels; ++level) {
    const fs::path here = folder.path() / ("level" + std::to_string(level));
    folder.MakeFile("level" + std::to_string(level) + "/file", 1);
    if (level + 1 < kLevels) {
      const fs::path next = folder.path() / ("level" + std::to_string(level + 1));
      fs::create_directory_symlink(next, here / "a");
      fs::create_directory_symlink(next, here / "b");
    }
  }
  SourceTree tree = MakeTree();
  const SourceNode* top = tree.AddPath((folder.path() / "level0").string(), nullptr);
  ASSERT_NE(top, nullptr);
  // Each level once (through the first link by name, and the file), plus
  // the other link, empty, and the last file.
  EXPECT_EQ(test::CountNodes(top->children()), 3u * (kLevels - 1) + 1);
  EXPECT_FALSE(Child(*top, "a")->children().empty());
  EXPECT_TRUE(Child(*top, "b")->children().empty());
  EXPECT_EQ(NotedReason(tree, (folder.path() / "level0" / "b").string()),
            "the same folder as one scanned before: left empty");
  EXPECT_EQ(tree.unreadable().size(), kLevels - 1u);
  EXPECT_FALSE(tree.scanStopped());
}

// A real folder keeps its content whatever links to it are listed before
// it, on its own level or from deeper ones; the links are left empty and
// named. A folder outside the chosen one is filled through its first link
// by name.
TEST(FolderScan, ARealFolderKeepsItsContentAndLinksToItStayEmpty) {
  test::TempFolder folder;
  folder.MakeFile("Top/photos/a.jpg", 10);
  folder.MakeFile("Top/a/kept.txt", 1);
  folder.MakeFile("Outside/b.jpg", 10);
  const fs::path top = folder.path() / "Top";
  const std::vector<std::string> links = {"link1", "link4", "zlink", "a/deep"};
  for (const std::string& link : links) fs::create_directory_symlink(top / "photos", top / link);
  for (const char* out : {"out2", "out1"}) fs::create_directory_symlink(folder.path() / "Outside", top / out);
  SourceTree tree = MakeTree();
  const SourceNode* root = tree.AddPath(top.string(), nullptr);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Names(Child(*root, "photos")->children()), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(Names(Child(*root, "out1")->children()), (std::vector<std::string>{"b.jpg"}));
  EXPECT_TRUE(Child(*root, "out2")->children().empty());
  for (const std::string& link : std::vector<std::string>{"link1", "link4", "zlink", "a/deep", "out2"}) {
    EXPECT_EQ(NotedReason(tree, (top / link).string()), "the same folder as one scanned before: left empty")
        << link;
  }
  EXPECT_EQ(tree.unreadable().size(), 5u);
}

// A stop requested while the scan is under way (here as it enters the second
// of three folders) ends it at the next entry and says so; one requested
// before the scan adds nothing at all. That pseudo file systems are never
// entered, whatever the scan reaches, is PseudoFileSystemsAreNotEntered.
TEST(FolderScan, AStopEndsTheScanAtTheNextEntry) {
  test::TempFolder folder;
  for (const char* file : {"a/1", "a/2", "b/1", "b/2", "c/1", "c/2"}) folder.MakeFile(std::string("Top/") + file, 1);
  const std::string top = (folder.path() / "Top").string();
  SourceTree tree = MakeTree();
  std::stop_source stop;
  std::vector<std::string> entered;
  const SourceNode* root = tree.AddPath(top, nullptr, stop.get_token(), [&](const std::string& path) {
    entered.push_back(path);
    if (entered.size() == 3) stop.request_stop();
  });
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(tree.scanStopped());
  ASSERT_EQ(entered.size(), 3u);
  ASSERT_EQ(root->children().size(), 3u);
  for (const auto& node : root->children()) {
    const bool scanned = JoinSourcePath(top, node->sourceName()) == entered[1];
    EXPECT_EQ(node->children().size(), scanned ? 2u : 0u) << node->sourceName();
  }

  SourceTree none = MakeTree();
  EXPECT_EQ(none.AddPath(top, nullptr, stop.get_token()), nullptr);
  EXPECT_TRUE(none.scanStopped());
  EXPECT_TRUE(none.entries().empty());
}

}  // namespace
}  // namespace brenmark::datadisc
