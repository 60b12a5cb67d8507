#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/SectorFile.h"

namespace brenmark::virtualdrive::testing {
namespace {

constexpr std::size_t kBlock = 2048;

// Writes `blocks` of `data` one sector at a time from block `first`.
void WriteSingly(SectorFile& file, std::size_t first, const std::vector<std::uint8_t>& data) {
  for (std::size_t at = 0; at < data.size(); at += kBlock) {
    ASSERT_TRUE(file.Write(static_cast<std::int64_t>(first * kBlock + at), data.data() + at, kBlock));
  }
}

// Gathered single sectors, non-contiguous ones and large writes over them all
// end up in the file in the order they were written, and reads see them
// before they reach the file.
TEST(SectorFileWriteBehind, WritesLandInOrderAndReadsSeeThem) {
  TempFolder folder;
  const auto path = folder.path() / "image.iso";
  SectorFile file;
  std::string error;
  ASSERT_TRUE(file.OpenForWriting(path, platform::File::NoFollowOpening::CreateNew, error)) << error;

  const auto singles = Pattern(40, kBlock, 1);  // more than the write-behind buffer holds
  WriteSingly(file, 0, singles);
  const auto apart = Pattern(2, kBlock, 2);
  WriteSingly(file, 60, apart);
  EXPECT_EQ(file.Size(), 62 * static_cast<std::int64_t>(kBlock));

  std::vector<std::uint8_t> back(2 * kBlock);
  ASSERT_TRUE(file.Read(60 * kBlock, back.data(), back.size()));
  EXPECT_EQ(back, apart);

  // A single sector still held back, then a large write over it.
  WriteSingly(file, 10, Pattern(1, kBlock, 3));
  const auto large = Pattern(16, kBlock, 4);
  ASSERT_TRUE(file.Write(5 * kBlock, large.data(), large.size()));
  ASSERT_TRUE(file.Flush());

  auto expected = singles;
  expected.resize(62 * kBlock, 0);
  std::copy(apart.begin(), apart.end(), expected.begin() + 60 * kBlock);
  std::copy(large.begin(), large.end(), expected.begin() + 5 * kBlock);
  EXPECT_EQ(FileBytes(path), expected);

  // Extending keeps what was held back below the new end.
  WriteSingly(file, 62, Pattern(1, kBlock, 5));
  ASSERT_TRUE(file.ExtendTo(70 * kBlock));
  const auto extended = FileBytes(path);
  ASSERT_EQ(extended.size(), 70 * kBlock);
  EXPECT_TRUE(std::equal(extended.begin() + 62 * kBlock, extended.begin() + 63 * kBlock,
                         Pattern(1, kBlock, 5).begin()));
}

// Sectors held back are not lost when the file is closed, moved or destroyed.
TEST(SectorFileWriteBehind, HeldBackSectorsReachTheFileOnEveryEnd) {
  TempFolder folder;
  const auto data = Pattern(3, kBlock, 6);
  std::string error;
  for (const char* end : {"close", "move", "destroy"}) {
    const auto path = folder.path() / (std::string(end) + ".iso");
    {
      SectorFile file;
      ASSERT_TRUE(file.OpenForWriting(path, platform::File::NoFollowOpening::CreateNew, error)) << error;
      WriteSingly(file, 0, data);
      if (std::strcmp(end, "close") == 0) {
        EXPECT_TRUE(file.Close());
      }
      if (std::strcmp(end, "move") == 0) {
        SectorFile other = std::move(file);
        EXPECT_FALSE(file.isOpen());
      }
    }
    EXPECT_EQ(FileBytes(path), data) << end;
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
