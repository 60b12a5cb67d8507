#include "virtualdrive/image/SectorEncoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/virtualdrive/image/RawSectorCheck.h"

namespace brenmark::virtualdrive {
namespace {

using Sector = std::array<std::uint8_t, kRawSectorSize>;
using testsupport::FileBytes;

Sector Garbage() {
  Sector sector;
  sector.fill(0xA5);
  return sector;
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::vector<std::uint8_t> bytes(count);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
  return bytes;
}

// Sectors recorded by an independent authoring tool: re-encoding their subheader and
// user data, with every other field cleared, must give back the exact bytes.
TEST(SectorEncoderTest, ReproducesRecordedMode2Sectors) {
  for (const auto& [file, lba, form2] : {std::tuple{"mode2form1-pvd-lba16.bin", 16, false},
                                         {"mode2form1-infovcd-lba150.bin", 150, false},
                                         {"mode2form2-empty-lba300.bin", 300, true},
                                         {"mode2form2-lba451.bin", 451, true}}) {
    SCOPED_TRACE(file);
    const std::vector<std::uint8_t> original = FileBytes(std::string(BRENMARK_TESTDATA_DIR) + "/raw-sectors/" + file);
    ASSERT_EQ(original.size(), kRawSectorSize);
    ASSERT_EQ((original[18] & 0x20) != 0, form2);

    // The 2332-byte block a host sends: subheader and data, EDC/ECC positions zeroed.
    std::vector<std::uint8_t> block(original.begin() + 16, original.begin() + 16 + 2332);
    const std::size_t payload = form2 ? 8 + 2324 : 8 + 2048;
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(payload), block.end(), 0);

    Sector viaBlock = Garbage(), viaForm = Garbage();
    EncodeMode2Block(lba, block.data(), viaBlock.data());
    EXPECT_TRUE(std::equal(viaBlock.begin(), viaBlock.end(), original.begin()));
    (form2 ? EncodeMode2Form2Sector : EncodeMode2Form1Sector)(lba, block.data(), block.data() + 8,
                                                              viaForm.data());
    EXPECT_EQ(viaForm, viaBlock);
  }
}

TEST(SectorEncoderTest, ReproducesEveryMode1SectorOfARecordedTrack) {
  const std::vector<std::uint8_t> image = FileBytes(std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.bin");
  ASSERT_EQ(image.size(), 302 * kRawSectorSize);
  for (std::size_t index = 0; index < image.size() / kRawSectorSize; ++index) {
    const std::uint8_t* original = image.data() + index * kRawSectorSize;
    Sector encoded = Garbage();
    EncodeMode1Sector(static_cast<std::int32_t>(index), original + 16, encoded.data());
    ASSERT_TRUE(std::equal(encoded.begin(), encoded.end(), original)) << "sector " << index;
  }
}

// Random content at addresses across the disc (lead-in addresses count down from 100
// minutes in the header), checked by the independent reader, and encoding in place (data
// already at its position in the sector) gives the same bytes.
TEST(SectorEncoderTest, RandomSectorsPassIndependentCheckAndEncodeInPlace) {
  const std::int32_t edges[] = {-151, -150, 0, 4349, 359849};
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const std::vector<std::uint8_t> block = RandomBytes(2332, seed);
    const auto lba = seed <= 5 ? edges[seed - 1] : static_cast<std::int32_t>(seed * 17971 % 359850);
    std::vector<std::uint8_t> form1(block), form2(block);
    form1[2] = 0x08;
    form2[2] = 0x20;
    for (auto* subheader : {&form1, &form2})
      std::copy(subheader->begin(), subheader->begin() + 4, subheader->begin() + 4);

    Sector mode1 = Garbage();
    EncodeMode1Sector(lba, block.data(), mode1.data());
    EXPECT_EQ(testsupport::CheckRawDataSector(mode1.data(), lba), "") << "Mode 1, seed " << seed;
    Sector mode1InPlace = Garbage();
    std::copy(block.begin(), block.begin() + 2048, mode1InPlace.begin() + 16);
    EncodeMode1Sector(lba, mode1InPlace.data() + 16, mode1InPlace.data());
    EXPECT_EQ(mode1InPlace, mode1);

    for (const auto* source : {&form1, &form2}) {
      Sector encoded = Garbage();
      EncodeMode2Block(lba, source->data(), encoded.data());
      EXPECT_EQ(testsupport::CheckRawDataSector(encoded.data(), lba), "")
          << "Mode 2 submode " << int((*source)[2]) << ", seed " << seed;
      Sector inPlace = Garbage();
      std::copy(source->begin(), source->end(), inPlace.begin() + 16);
      EncodeMode2Block(lba, inPlace.data() + 16, inPlace.data());
      EXPECT_EQ(inPlace, encoded);
    }
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive
