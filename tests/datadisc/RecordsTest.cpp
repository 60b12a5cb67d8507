#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "datadisc/DirectoryRecords.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/PathTableList.h"
#include "datadisc/SourceTree.h"
#include "datadisc/VolumeDescriptors.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

using test::FileOf;
using test::Folder;
using test::Sectors;

TEST(Records, XaFieldOnEveryRecord) {
  test::UseUtc();
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, true);
  SourceNode* top = tree.AddEntry(nullptr, "/src/Data", Folder());
  tree.AddEntry(top, "/src/Data/readme.txt", FileOf(100));
  tree.AddEntry(top, "/src/Data/Sub", Folder());
  tree.ComputeDepth();
  ImageLayout layout(tree, 0);
  ASSERT_TRUE(layout.Run().ok());
  // Dots 96, SUB 36 + 14, README.TXT;1 46 + 14; Joliet: 96, 40 + 14, 58 + 14.
  EXPECT_EQ(layout.IsoDirectorySizeOf(0), 96u + 50 + 60);
  EXPECT_EQ(layout.JolietDirectorySizeOf(0), 96u + 54 + 72);

  const auto image = test::Render(layout);
  for (std::uint32_t extent : {top->isoExtent, top->jolietExtent}) {
    const auto records = Sectors(image, extent);
    // The last 14 bytes of the record at `at`, and the XA field with the given attributes.
    const auto tail = [&records](std::size_t at) {
      return std::vector<std::uint8_t>(records.begin() + at + records[at] - 14, records.begin() + at + records[at]);
    };
    const auto xa = [](std::uint8_t attributes) {
      return std::vector<std::uint8_t>{0, 0, 0, 0, attributes, 0x55, 'X', 'A', 0, 0, 0, 0, 0, 0};
    };
    for (const std::size_t at : {0, 48, 96}) EXPECT_EQ(tail(at), xa(0x8D)) << at;  // the dots and Sub
    EXPECT_EQ(tail(96 + records[96]), xa(0x0D));                                    // readme.txt
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[16 * 2048 + 1024]), 8), "CD-XA001");
}

TEST(Records, FileTimesOnlyForFiles) {
  test::UseUtc();
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, true, false);
  SourceNode* top = tree.AddEntry(nullptr, "/src/T", Folder());
  tree.AddEntry(top, "/src/T/f", FileStatus{platform::FileKind::Regular, 1, 978307201, 0, 0});  // 2001-01-01 00:00:01
  tree.AddEntry(top, "/src/T/g", Folder());
  tree.ComputeDepth();
  ImageLayout layout(tree, 0);
  ASSERT_TRUE(layout.Run().ok());
  const auto records = Sectors(test::Render(layout), top->isoExtent);
  const std::uint8_t fileTime[7] = {101, 1, 1, 0, 0, 0, 0};
  const std::uint8_t now[7] = {104, 3, 5, 9, 7, 2, 0};
  EXPECT_EQ(std::memcmp(&records[68 + 18], fileTime, 7), 0);           // f: its creation time
  EXPECT_EQ(std::memcmp(&records[68 + records[68] + 18], now, 7), 0);  // g: a directory
  EXPECT_EQ(std::memcmp(&records[18], now, 7), 0);
}

TEST(PathTables, LittleAndBigEndianAcrossSectors) {
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  SourceNode* top = tree.AddEntry(nullptr, "/src/T", Folder());
  for (int i = 0; i < 300; ++i)
    tree.AddEntry(top, "/src/T/f" + std::to_string(1000 + i) + " with a longer name", Folder());
  tree.ComputeDepth();
  ImageLayout layout(tree, 0);
  ASSERT_TRUE(layout.Run().ok());
  // ISO: root 10, T 8+1+1, 300 x F1000_WI (8) -> 16; Joliet: 8 + 2 * 24 each.
  EXPECT_EQ(layout.isoPathTableSize, 10u + 10 + 300 * 16);
  EXPECT_EQ(layout.jolietPathTableSize, 10u + 10 + 300 * (8 + 48));
  EXPECT_EQ(layout.isoMTable, layout.isoLTable + 3);
  EXPECT_EQ(layout.jolietMTable, layout.jolietLTable + 9);

  const auto image = test::Render(layout);
  // The last record of each table lies in its last sector, in both byte orders.
  const PathTableEntry& last = layout.pathTables().entries().back();
  const auto isoL = Sectors(image, layout.isoLTable, 3);
  const auto isoM = Sectors(image, layout.isoMTable, 3);
  const std::size_t at = layout.isoPathTableSize - 16;
  EXPECT_EQ(test::ReadLe32(&isoL[at + 2]), last.isoExtent);
  EXPECT_EQ(test::ReadBe32(&isoM[at + 2]), last.isoExtent);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&isoM[at + 8]), 8), last.isoName);
  const auto jolietM = Sectors(image, layout.jolietMTable, 9);
  EXPECT_EQ(test::ReadBe32(&jolietM[layout.jolietPathTableSize - 56 + 2]), last.jolietExtent);
  EXPECT_EQ(test::ReadLe32(&image[16 * 2048 + 140]), layout.isoLTable);
  EXPECT_EQ(test::ReadBe32(&image[16 * 2048 + 148]), layout.isoMTable);
  EXPECT_EQ(test::ReadBe32(&image[17 * 2048 + 148]), layout.jolietMTable);
}

TEST(Descriptors, LongLabelsAreCutAtCharacterBoundaries) {
  std::vector<std::uint8_t> buffer(2048, 0xEE);
  DescriptorFields fields;
  // 31 ASCII bytes, then a two-byte character that would end at byte 33.
  const std::string label = std::string(31, 'L') + "\xC3\xA9" + "tail";
  fields.label = label;
  BuildPrimaryDescriptor(fields, buffer);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[40]), 32),
            std::string(31, 'L') + " ");
  EXPECT_EQ(buffer[72], 0);

  // Joliet: 16 code units; an emoji needing two would be the 16th and 17th.
  const std::string joliet = std::string(15, 'j') + "\xF0\x9F\x98\x80";
  fields.label = joliet;
  BuildJolietDescriptor(fields, buffer);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[40]), 32),
            test::Utf16Be(std::u16string(15, u'j')) + std::string(2, '\0'));
  fields.label = "Gr\u00FC\u00DFe";
  BuildJolietDescriptor(fields, buffer);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[40]), 12),
            test::Utf16Be(u"Grüße") + std::string(2, '\0'));
}

}  // namespace
}  // namespace brenmark::datadisc
