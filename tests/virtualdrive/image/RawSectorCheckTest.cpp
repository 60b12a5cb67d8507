#include "tests/virtualdrive/image/RawSectorCheck.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace brenmark::testsupport {
namespace {

std::vector<std::uint8_t> ReadSector(const char* name) {
  std::ifstream in(std::string(BRENMARK_TESTDATA_DIR) + "/raw-sectors/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RawSectorCheckTest, AcceptsRecordedSectorsAndImage) {
  EXPECT_EQ(CheckRawDataSector(ReadSector("mode2form1-pvd-lba16.bin").data(), 16), "");
  EXPECT_EQ(CheckRawDataSector(ReadSector("mode2form1-infovcd-lba150.bin").data(), 150), "");
  EXPECT_EQ(CheckRawDataSector(ReadSector("mode2form2-empty-lba300.bin").data(), 300), "");
  EXPECT_EQ(CheckRawDataSector(ReadSector("mode2form2-lba451.bin").data(), 451), "");
  const std::filesystem::path cue = std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.cue";
  EXPECT_EQ(CheckCueImageDataTracks(cue), "");
  EXPECT_EQ(CheckBinDataSectors(cue.parent_path() / "isofs-m1.bin", 10, 292, 10), "");
}

// A checker that passes everything would make every image test worthless: a single
// changed byte anywhere in a protected field must be noticed.
TEST(RawSectorCheckTest, DetectsASingleChangedByteInEveryField) {
  const std::vector<std::uint8_t> form1 = ReadSector("mode2form1-pvd-lba16.bin");
  for (std::size_t offset : {5u, 14u, 21u, 1000u, 2072u, 2076u, 2247u, 2248u, 2351u}) {
    std::vector<std::uint8_t> damaged = form1;
    damaged[offset] ^= 0x10;
    EXPECT_NE(CheckRawDataSector(damaged.data(), 16), "") << "Form 1, byte " << offset;
  }
  const std::vector<std::uint8_t> form2 = ReadSector("mode2form2-lba451.bin");
  for (std::size_t offset : {13u, 17u, 2347u, 2351u}) {
    std::vector<std::uint8_t> damaged = form2;
    damaged[offset] ^= 0x01;
    EXPECT_NE(CheckRawDataSector(damaged.data(), 451), "") << "Form 2, byte " << offset;
  }
  std::ifstream in(std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.bin", std::ios::binary);
  std::vector<std::uint8_t> mode1(2352);
  in.seekg(16 * 2352);
  in.read(reinterpret_cast<char*>(mode1.data()), 2352);
  for (std::size_t offset : {15u, 100u, 2064u, 2070u, 2250u}) {
    std::vector<std::uint8_t> damaged = mode1;
    damaged[offset] ^= 0x80;
    EXPECT_NE(CheckRawDataSector(damaged.data(), 16), "") << "Mode 1, byte " << offset;
  }
  EXPECT_NE(CheckRawDataSector(mode1.data(), 17), "") << "wrong address accepted";
}

}  // namespace
}  // namespace brenmark::testsupport
