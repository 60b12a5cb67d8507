// The folder Data with readme.txt (100 bytes) and Sub/a.txt (5000 bytes),
// burned in Joliet mode on a blank disc: 33 sectors, checked byte for byte
// against an image put together here field by field.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

using test::PutBoth16;
using test::PutBoth32;

constexpr std::size_t kSector = 2048;

class ExpectedImage {
 public:
  explicit ExpectedImage(std::size_t sectors) : bytes_(sectors * kSector, 0) {}

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::size_t At(std::size_t sector, std::size_t offset = 0) const {
    return sector * kSector + offset;
  }

  void Text(std::size_t at, std::string_view text) {
    std::memcpy(bytes_.data() + at, text.data(), text.size());
  }
  void Spaces(std::size_t at, std::size_t count) { std::memset(bytes_.data() + at, ' ', count); }

  // A directory record; returns its length.
  std::size_t Record(std::size_t at, std::uint32_t extent, std::uint32_t length, bool directory,
                     std::string_view identifier, const std::uint8_t* time) {
    const std::size_t n = identifier.size();
    const std::size_t recordLength = 33 + n + (n % 2 == 0 ? 1 : 0);
    bytes_[at] = static_cast<std::uint8_t>(recordLength);
    PutBoth32(bytes_, at + 2, extent);
    PutBoth32(bytes_, at + 10, length);
    std::memcpy(bytes_.data() + at + 18, time, 7);
    bytes_[at + 25] = directory ? 2 : 0;
    PutBoth16(bytes_, at + 28, 1);
    bytes_[at + 32] = static_cast<std::uint8_t>(n);
    Text(at + 33, identifier);
    return recordLength;
  }

  void Directory(
      std::size_t sector, std::uint32_t own, std::uint32_t parent,
      const std::vector<std::tuple<std::uint32_t, std::uint32_t, bool, std::string>>& items,
      const std::uint8_t* time) {
    std::size_t at = At(sector);
    at += Record(at, own, 2048, true, std::string(1, '\0'), time);
    at += Record(at, parent, 2048, true, std::string(1, '\1'), time);
    for (const auto& [extent, length, directory, name] : items)
      at += Record(at, extent, length, directory, name, time);
  }

  // A path table record; `bigEndian` for M tables.
  std::size_t PathRecord(std::size_t at, std::string_view identifier, std::uint32_t extent,
                         std::uint16_t parent, bool bigEndian) {
    bytes_[at] = static_cast<std::uint8_t>(identifier.size());
    for (int i = 0; i < 4; ++i)
      bytes_[at + 2 + static_cast<std::size_t>(bigEndian ? 3 - i : i)] =
          static_cast<std::uint8_t>(extent >> (8 * i));
    bytes_[at + (bigEndian ? 7 : 6)] = static_cast<std::uint8_t>(parent);
    bytes_[at + (bigEndian ? 6 : 7)] = static_cast<std::uint8_t>(parent >> 8);
    Text(at + 8, identifier);
    return 8 + identifier.size() + identifier.size() % 2;
  }

  void Descriptor(std::size_t sector, bool joliet, std::uint32_t lTable, std::uint32_t mTable,
                  std::uint32_t tableSize, std::uint32_t root) {
    const std::size_t d = At(sector);
    bytes_[d] = joliet ? 2 : 1;
    Text(d + 1, "CD001");
    bytes_[d + 6] = 1;
    if (joliet) {
      Text(d + 40, test::Utf16Be(u"TestDisc"));
      Text(d + 88, "\x25\x2F\x45");
      Text(d + 574, test::Utf16Be(u"QUENTAR BURNER, VERSION 1.0 2003"));
    } else {
      Spaces(d + 8, 32);
      Spaces(d + 40, 32);
      Text(d + 40, "TestDisc");
      Spaces(d + 190, 128 * 4 + 37 * 3);
      Text(d + 574, "QUENTAR BURNER, VERSION 1.0 2003");
    }
    PutBoth32(bytes_, d + 80, 33);
    PutBoth16(bytes_, d + 120, 1);
    PutBoth16(bytes_, d + 124, 1);
    PutBoth16(bytes_, d + 128, 2048);
    PutBoth32(bytes_, d + 132, tableSize);
    bytes_[d + 140] = static_cast<std::uint8_t>(lTable);
    bytes_[d + 151] = static_cast<std::uint8_t>(mTable);
    static constexpr std::uint8_t kRootTime[7] = {102, 9, 9, 15, 20, 0, 8};
    Record(d + 156, root, 2048, true, std::string(1, '\0'), kRootTime);
    Text(d + 813, "20040305090703001");
    Text(d + 830, "20040305090703001");
    Text(d + 847, "16010101030000001");
    Text(d + 864, "16010101030000001");
    bytes_[d + 881] = 1;
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

TEST(WorkedExample, WholeImageByteForByte) {
  test::UseUtc();
  test::TempFolder folder;
  folder.MakeFile("Data/readme.txt", 100);
  folder.MakeFile("Data/Sub/a.txt", 5000);

  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  tree.SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  tree.AddPath((folder.path() / "Data").string(), nullptr);
  EXPECT_EQ(tree.ComputeDepth(), 3u);

  ImageLayout layout(tree, 0);
  ASSERT_TRUE(layout.Run().ok());
  EXPECT_EQ((std::vector<std::uint64_t>{layout.isoPathTableSize, layout.jolietPathTableSize,
                                        layout.isoRootSize, layout.jolietRootSize,
                                        layout.IsoDirectorySizeOf(0), layout.IsoDirectorySizeOf(1),
                                        layout.JolietDirectorySizeOf(0),
                                        layout.JolietDirectorySizeOf(1), layout.fileDataStart,
                                        layout.imageEnd}),
            (std::vector<std::uint64_t>{34, 40, 106, 110, 150, 108, 166, 116, 29, 33}));

  ImageStream stream(layout, test::FixedClock);
  const auto groups = test::CaptureAll(stream);

  // The writes, in order: first sector and sector count of each.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> writes, expectedWrites;
  for (const auto& captured : groups)
    writes.emplace_back(captured.group.firstSector, captured.group.sectorCount);
  for (std::uint32_t s = 0; s <= 32; ++s) expectedWrites.emplace_back(s, 1);
  EXPECT_EQ(writes, expectedWrites);
  EXPECT_EQ(groups[16].group.kind, GroupKind::PrimaryDescriptor);
  EXPECT_EQ(groups[17].group.kind, GroupKind::JolietDescriptor);
  EXPECT_EQ(groups[29].group.file->sourceName, "readme.txt");

  // 2004-03-05 09:07:03 in records: the second rounded down to even.
  static constexpr std::uint8_t kNow[7] = {104, 3, 5, 9, 7, 2, 0};
  ExpectedImage expected(33);
  expected.Descriptor(16, false, 19, 20, 34, 23);
  expected.Descriptor(17, true, 21, 22, 40, 26);
  expected.bytes()[expected.At(18)] = 255;
  expected.Text(expected.At(18, 1), "CD001");
  expected.bytes()[expected.At(18, 6)] = 1;

  for (bool big : {false, true}) {
    std::size_t at = expected.At(big ? 20 : 19);
    at += expected.PathRecord(at, std::string(1, '\0'), 23, 1, big);
    at += expected.PathRecord(at, "DATA", 24, 1, big);
    expected.PathRecord(at, "SUB", 25, 2, big);
    at = expected.At(big ? 22 : 21);
    at += expected.PathRecord(at, std::string(1, '\0'), 26, 1, big);
    at += expected.PathRecord(at, test::Utf16Be(u"Data"), 27, 1, big);
    expected.PathRecord(at, test::Utf16Be(u"Sub"), 28, 2, big);
  }

  expected.Directory(23, 23, 23, {{24, 2048, true, "DATA"}}, kNow);
  expected.Directory(24, 24, 23, {{25, 2048, true, "SUB"}, {29, 100, false, "README.TXT;1"}}, kNow);
  expected.Directory(25, 25, 24, {{30, 5000, false, "A.TXT;1"}}, kNow);
  expected.Directory(26, 26, 26, {{27, 2048, true, test::Utf16Be(u"Data")}}, kNow);
  expected.Directory(
      27, 27, 26,
      {{28, 2048, true, test::Utf16Be(u"Sub")}, {29, 100, false, test::Utf16Be(u"readme.txt;1")}},
      kNow);
  expected.Directory(28, 28, 27, {{30, 5000, false, test::Utf16Be(u"a.txt;1")}}, kNow);

  for (const auto& [sector, size] : {std::pair<std::size_t, std::size_t>{29, 100}, {30, 5000}})
    for (std::size_t i = 0; i < size; ++i)
      expected.bytes()[expected.At(sector) + i] = test::PatternByte(i);

  const std::vector<std::uint8_t> image = test::Assemble(groups, 0);
  ASSERT_EQ(image.size(), expected.bytes().size());
  for (std::uint32_t sector = 0; sector < 33; ++sector)
    EXPECT_EQ(test::Sectors(image, sector), test::Sectors(expected.bytes(), sector)) << sector;
}

}  // namespace
}  // namespace brenmark::datadisc
