#include "virtualdrive/image/SectorEncoder.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/virtualdrive/image/RawSectorCheck.h"

namespace brenmark::virtualdrive {
namespace {

using Sector = std::array<std::uint8_t, kRawSectorSize>;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

struct RecordedSector {
  const char* file;
  std::int32_t lba;
  bool form2;
};

// Sectors recorded by an independent authoring tool: re-encoding their subheader and
// user data, with every other field cleared, must give back the exact bytes.
TEST(SectorEncoderTest, ReproducesRecordedMode2Sectors) {
  const std::array<RecordedSector, 4> recorded = {{
      {"mode2form1-pvd-lba16.bin", 16, false},
      {"mode2form1-infovcd-lba150.bin", 150, false},
      {"mode2form2-empty-lba300.bin", 300, true},
      {"mode2form2-lba451.bin", 451, true},
  }};
  for (const RecordedSector& sample : recorded) {
    SCOPED_TRACE(sample.file);
    const std::vector<std::uint8_t> original =
        ReadFile(std::string(BRENMARK_TESTDATA_DIR) + "/raw-sectors/" + sample.file);
    ASSERT_EQ(original.size(), kRawSectorSize);
    ASSERT_EQ((original[18] & 0x20) != 0, sample.form2);

    // The 2332-byte block a host sends: subheader and data, EDC/ECC positions zeroed.
    std::vector<std::uint8_t> block(original.begin() + 16, original.begin() + 16 + 2332);
    const std::size_t payload = sample.form2 ? 8 + 2324 : 8 + 2048;
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(payload), block.end(), 0);

    Sector viaBlock = Garbage();
    EncodeMode2Block(sample.lba, block.data(), viaBlock.data());
    EXPECT_TRUE(std::equal(viaBlock.begin(), viaBlock.end(), original.begin()));

    Sector viaForm = Garbage();
    if (sample.form2) {
      EncodeMode2Form2Sector(sample.lba, block.data(), block.data() + 8, viaForm.data());
    } else {
      EncodeMode2Form1Sector(sample.lba, block.data(), block.data() + 8, viaForm.data());
    }
    EXPECT_EQ(viaForm, viaBlock);
  }
}

TEST(SectorEncoderTest, ReproducesEveryMode1SectorOfARecordedTrack) {
  const std::vector<std::uint8_t> image =
      ReadFile(std::string(BRENMARK_TESTDATA_DIR) + "/cue/isofs-m1.bin");
  ASSERT_EQ(image.size(), 302 * kRawSectorSize);
  for (std::size_t index = 0; index < image.size() / kRawSectorSize; ++index) {
    const std::uint8_t* original = image.data() + index * kRawSectorSize;
    Sector encoded = Garbage();
    EncodeMode1Sector(static_cast<std::int32_t>(index), original + 16, encoded.data());
    ASSERT_TRUE(std::equal(encoded.begin(), encoded.end(), original)) << "sector " << index;
  }
}

TEST(SectorEncoderTest, EdcMatchesBitwiseCrcForAnyLengthAndAlignment) {
  const std::vector<std::uint8_t> bytes = RandomBytes(2400, 7);
  for (std::size_t offset = 0; offset < 8; ++offset) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 63u, 2048u, 2064u, 2332u}) {
      EXPECT_EQ(ComputeEdc(bytes.data() + offset, length),
                testsupport::BitwiseEdc(bytes.data() + offset, length))
          << "offset " << offset << " length " << length;
    }
  }
}

TEST(SectorEncoderTest, HeaderCarriesBcdAddressAndMode) {
  struct Case {
    std::int32_t lba;
    std::array<std::uint8_t, 3> msf;
  };
  const std::array<Case, 6> cases = {{
      {-150, {0x00, 0x00, 0x00}},
      {0, {0x00, 0x02, 0x00}},
      {16, {0x00, 0x02, 0x16}},
      {4349, {0x00, 0x59, 0x74}},
      {359849, {0x79, 0x59, 0x74}},  // last possible lead-out start of an 80-minute disc
      {-151, {0x99, 0x59, 0x74}},    // lead-in addresses count down from 100 minutes
  }};
  for (const Case& c : cases) {
    Sector raw = Garbage();
    WriteSyncAndHeader(c.lba, 2, raw.data());
    EXPECT_EQ(raw[0], 0x00);
    EXPECT_TRUE(std::all_of(raw.begin() + 1, raw.begin() + 11, [](auto b) { return b == 0xFF; }));
    EXPECT_EQ(raw[11], 0x00);
    EXPECT_EQ((std::array<std::uint8_t, 3>{raw[12], raw[13], raw[14]}), c.msf) << "LBA " << c.lba;
    EXPECT_EQ(raw[15], 2);
    EXPECT_EQ(raw[16], 0xA5) << "header writes past byte 15";
  }
}

// Random content at addresses across the disc, checked by the independent reader, and
// encoding in place (data already at its position in the sector) gives the same bytes.
TEST(SectorEncoderTest, RandomSectorsPassIndependentCheckAndEncodeInPlace) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const std::vector<std::uint8_t> block = RandomBytes(2332, seed);
    const auto lba = static_cast<std::int32_t>(seed * 17971 % 359850);
    std::vector<std::uint8_t> form1(block), form2(block);
    form1[2] = 0x08;
    form2[2] = 0x20;
    for (auto* subheader : {&form1, &form2}) {
      std::copy(subheader->begin(), subheader->begin() + 4, subheader->begin() + 4);
    }

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
