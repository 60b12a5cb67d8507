// The folder Data with readme.txt (100 bytes) and Sub/a.txt (5000 bytes),
// burned in Joliet mode on a blank disc at a fixed clock: 33 sectors, compared
// byte for byte with a recorded image whose every field was checked by hand.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
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
  ImageStream stream(layout, test::FixedClock);
  const auto groups = test::CaptureAll(stream);
  const std::vector<std::uint8_t> image = test::Assemble(groups, 0);
  const std::vector<std::uint8_t> recorded =
      testsupport::FileBytes(std::filesystem::path(BRENMARK_TESTDATA_DIR) / "worked-example.iso");
  ASSERT_EQ(image.size(), recorded.size());
  for (std::uint32_t sector = 0; sector < 33; ++sector)
    EXPECT_EQ(test::Sectors(image, sector), test::Sectors(recorded, sector)) << sector;

  // What the clock gives, 2004-03-05 09:07:03: the descriptors' creation and
  // modification dates, and record times with the second rounded down to even.
  for (const std::size_t descriptor : {16 * 2048, 17 * 2048}) {
    EXPECT_EQ(std::string(image.begin() + descriptor + 813, image.begin() + descriptor + 847),
              "2004030509070300120040305090703001");
  }
  for (const std::size_t directory : {23, 24, 25, 26, 27, 28}) {
    const auto time = image.begin() + static_cast<std::ptrdiff_t>(directory * 2048 + 18);
    EXPECT_EQ(std::vector<std::uint8_t>(time, time + 7), (std::vector<std::uint8_t>{104, 3, 5, 9, 7, 2, 0}))
        << directory;
  }
}

}  // namespace
}  // namespace brenmark::datadisc
