#include "tests/virtualdrive/image/RawSectorCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tests/support/Bytes.h"

namespace brenmark::testsupport {
namespace {

std::vector<std::uint8_t> RecordedSector(const char* name) {
  return FileBytes(std::string(BRENMARK_TESTDATA_DIR) + "/raw-sectors/" + name);
}

// Recorded sectors and a recorded image pass. A checker that passes everything would
// make every image test worthless: a wrong address, or a single changed byte anywhere
// in a protected field, must be noticed.
TEST(RawSectorCheckTest, AcceptsRecordedSectorsAndDetectsASingleChangedByteInEveryField) {
  const std::string cue = std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.cue";
  EXPECT_EQ(CheckCueImageDataTracks(cue), "");
  const std::vector<std::uint8_t> image = FileBytes(cue.substr(0, cue.size() - 4) + ".bin");
  ASSERT_GE(image.size(), 17u * 2352u);
  const std::tuple<std::vector<std::uint8_t>, std::int32_t, std::vector<std::size_t>> cases[] = {
      {RecordedSector("mode2form1-pvd-lba16.bin"), 16, {5, 14, 21, 1000, 2072, 2076, 2247, 2248, 2351}},
      {RecordedSector("mode2form1-infovcd-lba150.bin"), 150, {}},
      {RecordedSector("mode2form2-empty-lba300.bin"), 300, {}},
      {RecordedSector("mode2form2-lba451.bin"), 451, {13, 17, 2347, 2351}},
      {{image.begin() + 16 * 2352, image.begin() + 17 * 2352}, 16, {15, 100, 2064, 2070, 2250}},
  };
  for (const auto& [sound, lba, offsets] : cases) {
    ASSERT_EQ(sound.size(), 2352u) << lba;
    EXPECT_EQ(CheckRawDataSector(sound.data(), lba), "") << lba;
    EXPECT_NE(CheckRawDataSector(sound.data(), lba + 1), "") << "wrong address accepted at " << lba;
    for (std::size_t offset : offsets) {
      std::vector<std::uint8_t> damaged = sound;
      damaged[offset] ^= 0x11;
      EXPECT_NE(CheckRawDataSector(damaged.data(), lba), "") << lba << ", byte " << offset;
    }
  }
}

}  // namespace
}  // namespace brenmark::testsupport
