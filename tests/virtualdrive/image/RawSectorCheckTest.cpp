#include "tests/virtualdrive/image/RawSectorCheck.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace brenmark::testsupport {
namespace {

std::vector<std::uint8_t> ReadSector(const char* name) {
  std::ifstream in(std::string(BRENMARK_TESTDATA_DIR) + "/raw-sectors/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RawSectorCheckTest, AcceptsRecordedSectorsAndImage) {
  for (const auto& [name, lba] : {std::pair{"mode2form1-pvd-lba16.bin", 16},
                                  {"mode2form1-infovcd-lba150.bin", 150},
                                  {"mode2form2-empty-lba300.bin", 300},
                                  {"mode2form2-lba451.bin", 451}})
    EXPECT_EQ(CheckRawDataSector(ReadSector(name).data(), lba), "") << name;
  const std::filesystem::path cue = std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.cue";
  EXPECT_EQ(CheckCueImageDataTracks(cue), "");
  EXPECT_EQ(CheckBinDataSectors(cue.parent_path() / "isofs-m1.bin", 10, 292, 10), "");
}

// A checker that passes everything would make every image test worthless: a single
// changed byte anywhere in a protected field must be noticed.
TEST(RawSectorCheckTest, DetectsASingleChangedByteInEveryField) {
  std::ifstream in(std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.bin", std::ios::binary);
  std::vector<std::uint8_t> mode1(2352);
  in.seekg(16 * 2352);
  in.read(reinterpret_cast<char*>(mode1.data()), 2352);
  const std::tuple<std::vector<std::uint8_t>, std::int32_t, std::vector<std::size_t>> cases[] = {
      {ReadSector("mode2form1-pvd-lba16.bin"), 16, {5, 14, 21, 1000, 2072, 2076, 2247, 2248, 2351}},
      {ReadSector("mode2form2-lba451.bin"), 451, {13, 17, 2347, 2351}},
      {mode1, 16, {15, 100, 2064, 2070, 2250}},
  };
  for (const auto& [sound, lba, offsets] : cases) {
    ASSERT_EQ(CheckRawDataSector(sound.data(), lba), "");
    EXPECT_NE(CheckRawDataSector(sound.data(), lba + 1), "") << "wrong address accepted";
    for (std::size_t offset : offsets) {
      std::vector<std::uint8_t> damaged = sound;
      damaged[offset] ^= 0x11;
      EXPECT_NE(CheckRawDataSector(damaged.data(), lba), "") << lba << ", byte " << offset;
    }
  }
}

}  // namespace
}  // namespace brenmark::testsupport
