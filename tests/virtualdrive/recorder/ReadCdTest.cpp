#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRawSector = 2352;
constexpr std::uint8_t kAllFields = 0xF8;

// The bytes this process has read through the system so far.
std::uint64_t BytesReadByThisProcess() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  ADD_FAILURE() << "no rchar in /proc/self/io";
  return 0;
}

// A host whose buffer holds a few blocks asks READ CD for many more: the
// recorder reads what the buffer takes, not the disc, and answers for the
// rest of the range as reading it would.
TEST(ReadCdIntoASmallBuffer, FillsTheBufferReadsNoMoreAndRefusesARangePastTheDisc) {
  constexpr std::uint32_t kDiscSectors = 400000;  // about 940 MB of raw sectors
  // A sparse audio image: only its first sectors hold data.
  TempFolder images;
  const std::vector<std::uint8_t> first = Pattern(3, kRawSector, 5);
  const fs::path bin = images.path() / "long.bin";
  std::ofstream(bin, std::ios::binary).close();
  fs::resize_file(bin, std::uint64_t{kDiscSectors} * kRawSector);
  std::fstream(bin, std::ios::binary | std::ios::in | std::ios::out)
      .write(reinterpret_cast<const char*>(first.data()), static_cast<std::streamsize>(first.size()));
  WriteFile(images.path() / "long.cue", "FILE \"long.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
  RecorderHarness harness;
  ASSERT_TRUE(harness.recorder().InsertImage(images.path() / "long.cue").ok);

  // Two whole blocks and part of a third.
  constexpr std::uint32_t kBuffer = 2 * kRawSector + 100;
  std::uint64_t before = BytesReadByThisProcess();
  const auto data = harness.Read(cdb::ReadCd(0, kDiscSectors, kAllFields), kBuffer);
  EXPECT_LT(BytesReadByThisProcess() - before, 64u * kRawSector);
  ASSERT_TRUE(data);
  EXPECT_EQ(*data, std::vector<std::uint8_t>(first.begin(), first.begin() + kBuffer));

  before = BytesReadByThisProcess();
  EXPECT_FALSE(harness.Read(cdb::ReadCd(0, 0xFFFFFF, kAllFields), kRawSector));
  EXPECT_EQ(harness.sense(), sense::kLbaOutOfRange);
  // Without a buffer nothing is read, and a data sector type asked of the
  // audio track is refused all the same.
  EXPECT_FALSE(harness.Read(cdb::ReadCd(kDiscSectors - 2, 2, 0x10, 2), 0));
  EXPECT_EQ(harness.sense(), sense::kIllegalModeForThisTrack);
  EXPECT_LT(BytesReadByThisProcess() - before, 64u * kRawSector);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
