// The folder Data with readme.txt (100 bytes) and Sub/a.txt (5000 bytes),
// burned in Joliet mode on a blank disc at a fixed clock: 33 sectors, compared
// byte for byte with a recorded image whose every field was checked by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"
#include "tests/support/Bytes.h"

namespace brenmark::datadisc {
namespace {

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
  const std::vector<std::uint8_t> image = test::Render(layout);
  const std::vector<std::uint8_t> recorded =
      testsupport::FileBytes(std::filesystem::path(BRENMARK_TESTDATA_DIR) / "worked-example.iso");
  ASSERT_EQ(image.size(), recorded.size());
  // The descriptors' dates and the records' times (second rounded down to
  // even) are the fixed clock's, 2004-03-05 09:07:03.
  for (std::uint32_t sector = 0; sector < 33; ++sector)
    EXPECT_EQ(test::Sectors(image, sector), test::Sectors(recorded, sector)) << sector;
}

}  // namespace
}  // namespace brenmark::datadisc
