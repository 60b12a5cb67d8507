#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

namespace fs = std::filesystem;

struct FileWrites {
  std::vector<std::uint32_t> sizes;  // sector counts of the file's groups
  std::vector<std::uint8_t> bytes;   // everything written for it
  std::vector<FileIssue> issues;
  std::uint32_t firstSector = 0;
  std::uint32_t extent = 0;  // the extent the layout gave the file
};

class Stream : public ::testing::Test {
 protected:
  void Scan() {
    tree_.AddPath((folder_.path() / "Top").string(), nullptr);
    tree_.ComputeDepth();
    ASSERT_TRUE(layout_.Run().ok());
  }

  // The file groups, per source name, in the order they came; `afterGroup`
  // runs after each file group, as a burn writes it.
  std::vector<std::pair<std::string, FileWrites>> Files(
      const std::function<void(const std::string& name)>& afterGroup = {}) {
    ImageStream stream(layout_, test::FixedClock);
    std::vector<std::pair<std::string, FileWrites>> files;
    SectorGroup group;
    while (stream.Next(group)) {
      if (group.kind != GroupKind::FileData) continue;
      if (files.empty() || files.back().first != group.file->sourceName()) {
        files.push_back({group.file->sourceName(), {}});
        files.back().second.firstSector = group.firstSector;
        files.back().second.extent = group.file->isoExtent;
      }
      FileWrites& writes = files.back().second;
      writes.sizes.push_back(group.sectorCount);
      writes.bytes.insert(writes.bytes.end(), group.data.begin(), group.data.end());
      if (group.issue != FileIssue::None) writes.issues.push_back(group.issue);
      if (afterGroup) afterGroup(files.back().first);
    }
    return files;
  }

  static std::vector<std::uint8_t> Pattern(std::size_t size, std::size_t padded) {
    std::vector<std::uint8_t> bytes(padded, 0);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = test::PatternByte(i);
    return bytes;
  }

  test::TempFolder folder_;
  SourceTree tree_{SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false};
  ImageLayout layout_{tree_, 0};
};

// Every file fills its scanned extent, in groups of 16 sectors with the last
// 16 one at a time. A file changed after the scan is written to exactly that
// extent and reported once; the stream goes on with the next file. Empty
// files are never opened or examined: whatever became of them, they write
// nothing.
TEST_F(Stream, FilesFillTheirScannedExtentInGroupsAndChangesAreReported) {
  using Sizes = std::vector<std::uint32_t>;
  constexpr std::size_t kRemoved = SIZE_MAX;
  constexpr auto shrunk = FileIssue::Shrunk, grew = FileIssue::Grew, cannotOpen = FileIssue::CannotOpen;
  Sizes thirtyTwo{16}, large(9, 16);  // 300000 bytes are read in several pieces
  thirtyTwo.insert(thirtyTwo.end(), 16, 1);
  large.insert(large.end(), 3, 1);
  const struct {
    std::string name;
    std::size_t scanned, burned;
    Sizes groups;
    std::vector<FileIssue> issues;
  } cases[] = {
      {"a 32768", 32768, 32768, Sizes(16, 1), {}},
      {"b 32769", 32769, 32769, {16, 1}, {}},
      {"c 100000", 100000, 100000, {16, 16, 16, 1}, {}},
      {"d 65536", 65536, 65536, thirtyTwo, {}},
      {"e empty", 0, 0, {}, {}},
      {"f 300000", 300000, 300000, large, {}},
      {"g shrinks", 40000, 1000, {16, 1, 1, 1, 1}, {shrunk}},
      {"h grows", 3000, 9000, {1, 1}, {grew}},
      {"i vanishes", 5000, kRemoved, {1, 1, 1}, {cannotOpen}},
      {"j empty vanishes", 0, kRemoved, {}, {}},
      {"k empty grows", 0, 7, {}, {}},
      {"l shrinks late", 300000, 200000, large, {shrunk}},
      {"m last", 10, 10, {1}, {}},
  };
  for (const auto& c : cases) folder_.MakeFile("Top/" + c.name, c.scanned);
  Scan();
  for (const auto& c : cases) {
    if (c.burned == kRemoved) fs::remove(folder_.path() / "Top" / c.name);
    else if (c.burned != c.scanned) folder_.MakeFile("Top/" + c.name, c.burned);
  }

  const auto files = Files();
  std::size_t next = 0;
  for (const auto& c : cases) {
    if (c.groups.empty()) continue;
    ASSERT_LT(next, files.size()) << c.name;
    const auto& [name, writes] = files[next++];
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(writes.sizes, c.groups) << c.name;
    const std::size_t kept = c.burned == kRemoved ? 0 : std::min(c.scanned, c.burned);
    EXPECT_EQ(writes.bytes, Pattern(kept, 2048 * std::accumulate(c.groups.begin(), c.groups.end(), 0u))) << c.name;
    EXPECT_EQ(writes.issues, c.issues) << c.name;
    EXPECT_EQ(writes.firstSector, writes.extent) << c.name;
  }
  EXPECT_EQ(next, files.size());
  EXPECT_EQ(files.back().second.firstSector + 1, layout_.imageEnd);
}

// A file that changes while it is read, after its first group: one that had
// grown when it was opened and then comes up short is reported as both (the
// shrinking is what damages the disc); one that grows is cut to its scanned
// size and reported, as is one that had grown already, once.
TEST_F(Stream, AFileThatChangesWhileItIsReadIsReported) {
  const struct {
    const char* name;
    std::uintmax_t atOpen, afterFirstGroup;
    std::vector<FileIssue> issues;
  } cases[] = {
      {"grew then shrank", 400000, 1000, {FileIssue::Grew, FileIssue::Shrunk}},
      {"grows while read", 300000, 400000, {FileIssue::Grew}},
      {"grew and grows", 350000, 400000, {FileIssue::Grew}},
  };
  for (const auto& c : cases) folder_.MakeFile(std::string("Top/") + c.name, 300000);
  Scan();
  for (const auto& c : cases) fs::resize_file(folder_.path() / "Top" / c.name, c.atOpen);
  std::string changed;
  const auto files = Files([&](const std::string& name) {
    if (name == changed) return;
    changed = name;
    for (const auto& c : cases) {
      if (name == c.name) fs::resize_file(folder_.path() / "Top" / c.name, c.afterFirstGroup);
    }
  });
  ASSERT_EQ(files.size(), std::size(cases));
  for (const auto& [name, writes] : files) {
    const auto c = std::find_if(std::begin(cases), std::end(cases), [&](const auto& row) { return name == row.name; });
    ASSERT_NE(c, std::end(cases)) << name;
    EXPECT_EQ(writes.issues, c->issues) << name;
    EXPECT_EQ(writes.bytes.size(), 147u * 2048) << name;
  }
}

}  // namespace
}  // namespace brenmark::datadisc
