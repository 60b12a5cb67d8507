#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
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

TEST_F(Stream, FileContentsGoInChunksOf16ThenSingleSectors) {
  for (const auto& [name, size] : {std::pair{"a 32768", 32768}, {"b 32769", 32769},
                                   {"c 100000", 100000}, {"d 65536", 65536}, {"e empty", 0},
                                   {"f 300000", 300000}, {"g last", 10}})
    folder_.MakeFile(std::string("Top/") + name, size);
  Scan();

  const auto files = Files();
  ASSERT_EQ(files.size(), 6u);  // the empty file writes nothing
  EXPECT_EQ(files[0].second.sizes, std::vector<std::uint32_t>(16, 1));
  EXPECT_EQ(files[1].second.sizes, (std::vector<std::uint32_t>{16, 1}));
  EXPECT_EQ(files[2].second.sizes, (std::vector<std::uint32_t>{16, 16, 16, 1}));
  EXPECT_EQ(files[3].second.sizes,
            (std::vector<std::uint32_t>{16, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(files[2].second.bytes, Pattern(100000, 49 * 2048));
  // Read in several pieces, written in the same groups.
  std::vector<std::uint32_t> large(9, 16);
  large.insert(large.end(), 3, 1);
  EXPECT_EQ(files[4].second.sizes, large);
  EXPECT_EQ(files[4].second.bytes, Pattern(300000, 147 * 2048));
  EXPECT_EQ(files[5].second.bytes, Pattern(10, 2048));
  for (const auto& [name, writes] : files) {
    EXPECT_TRUE(writes.issues.empty()) << name;
    EXPECT_EQ(writes.firstSector, tree_.entries()[0]->children()[0]->isoExtent +
                                      (writes.firstSector - files[0].second.firstSector))
        << name;
  }
  EXPECT_EQ(files[5].second.firstSector + 1, layout_.imageEnd);
}

// Files changed after the scan are written to exactly their recorded extent
// and reported once; the stream goes on with the next file. Empty files are
// never opened or examined: whatever became of them, they write nothing.
TEST_F(Stream, ChangedFilesKeepTheirExtentAndAreReported) {
  for (const auto& [name, size] : {std::pair{"1 shrinks", 40000}, {"2 grows", 3000},
                                   {"3 vanishes", 5000}, {"4 empty vanishes", 0},
                                   {"5 empty grows", 0}, {"6 intact", 2100},
                                   {"7 shrinks late", 300000}})
    folder_.MakeFile(std::string("Top/") + name, size);
  Scan();

  folder_.MakeFile("Top/1 shrinks", 1000);
  folder_.MakeFile("Top/2 grows", 9000);
  fs::remove(folder_.path() / "Top/3 vanishes");
  fs::remove(folder_.path() / "Top/4 empty vanishes");
  folder_.MakeFile("Top/7 shrinks late", 200000);
  folder_.MakeFile("Top/5 empty grows", 7);

  const auto files = Files();
  ASSERT_EQ(files.size(), 5u);
  using Sizes = std::vector<std::uint32_t>;
  using Issues = std::vector<FileIssue>;
  constexpr auto shrunk = FileIssue::Shrunk, grew = FileIssue::Grew, cannotOpen = FileIssue::CannotOpen;
  Sizes large(9, 16);
  large.insert(large.end(), 3, 1);
  const std::tuple<std::string, Sizes, std::vector<std::uint8_t>, Issues> expected[] = {
      {"1 shrinks", {16, 1, 1, 1, 1}, Pattern(1000, 20 * 2048), {shrunk}},
      {"2 grows", {1, 1}, Pattern(3000, 2 * 2048), {grew}},
      {"3 vanishes", {1, 1, 1}, Pattern(0, 3 * 2048), {cannotOpen}},
      {"6 intact", {1, 1}, Pattern(2100, 2 * 2048), {}},
      {"7 shrinks late", large, Pattern(200000, 147 * 2048), {shrunk}},
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto& [name, sizes, bytes, issues] = expected[i];
    EXPECT_EQ(files[i].first, name);
    EXPECT_EQ(files[i].second.sizes, sizes) << name;
    EXPECT_EQ(files[i].second.bytes, bytes) << name;
    EXPECT_EQ(files[i].second.issues, issues) << name;
  }
}

// A file that had grown when it was opened and then came up short while it
// was read is reported as both: the shrinking is what damages the disc.
TEST_F(Stream, AFileThatGrewAndThenShrankIsReportedAsShrunkToo) {
  folder_.MakeFile("Top/changes", 300000);
  Scan();
  folder_.MakeFile("Top/changes", 400000);
  bool cut = false;
  const auto files = Files([&](const std::string&) {
    if (!cut) fs::resize_file(folder_.path() / "Top/changes", 1000);
    cut = true;
  });
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].second.issues, (std::vector<FileIssue>{FileIssue::Grew, FileIssue::Shrunk}));
}

}  // namespace
}  // namespace brenmark::datadisc
