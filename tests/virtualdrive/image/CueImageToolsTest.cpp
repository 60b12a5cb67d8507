#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"
#include "tests/virtualdrive/image/RawSectorCheck.h"
#include "virtualdrive/image/CueImage.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {
namespace {

namespace fs = std::filesystem;

using testsupport::RunTool;
using testsupport::ToolInstalled;
using testsupport::FileBytes;
using testsupport::Quoted;

// A mixed-mode disc as the recorder writes it: a Mode 1 track holding a real ISO 9660
// file system, then an audio track with its 150-sector pregap stored in the file, then a
// Mode 2 track of Form 1 sectors.
class CueImageToolsTest : public ::testing::Test {
 protected:
  static constexpr std::int32_t kDataSectors = 302, kPregap = 150, kAudioSectors = 300,
                                kMode2Sectors = 40;

  void SetUp() override {
    const std::vector<std::uint8_t> source =
        FileBytes(fs::path(BRENMARK_TESTDATA_DIR) / "cue" / "isofs-m1.bin");
    ASSERT_EQ(source.size(), kDataSectors * kRawSectorSize);
    std::ofstream bin(folder_ / "disc.bin", std::ios::binary);
    std::array<std::uint8_t, kRawSectorSize> raw;
    std::array<std::uint8_t, 2332> block{};
    block[2] = block[6] = 0x08;  // data, Form 1
    const std::int32_t total = kDataSectors + kPregap + kAudioSectors + kMode2Sectors;
    for (std::int32_t lba = 0; lba < total; ++lba) {
      const std::int32_t audioSector = lba - kDataSectors - kPregap;
      if (lba < kDataSectors) {
        const std::uint8_t* userData = source.data() + lba * kRawSectorSize + 16;
        userData_.insert(userData_.end(), userData, userData + 2048);
        EncodeMode1Sector(lba, userData, raw.data());
      } else if (audioSector < kAudioSectors) {
        for (std::size_t b = 0; b < raw.size(); ++b)
          raw[b] = audioSector < 0 ? 0 : static_cast<std::uint8_t>(b * 7 + audioSector);
        if (audioSector >= 0) audio_.insert(audio_.end(), raw.begin(), raw.end());
      } else {
        block[100] = static_cast<std::uint8_t>(lba);
        EncodeMode2Block(lba, block.data(), raw.data());
      }
      bin.write(reinterpret_cast<const char*>(raw.data()), raw.size());
    }
    bin.close();

    const CueSheet sheet{"disc.bin", "",
                         {CueTrack{1, CueTrackMode::Mode1Raw, std::nullopt, 0},
                          CueTrack{2, CueTrackMode::Audio, kDataSectors, kDataSectors + kPregap},
                          CueTrack{3, CueTrackMode::Mode2Raw, std::nullopt,
                                   kDataSectors + kPregap + kAudioSectors}}};
    std::ofstream(folder_ / "disc.cue", std::ios::binary) << FormatCueSheet(sheet);
  }

  testsupport::TempFolder temp_{"cuetools"};
  fs::path folder_ = temp_.path();
  std::vector<std::uint8_t> userData_;
  std::vector<std::uint8_t> audio_;
};

TEST_F(CueImageToolsTest, WrittenImagePassesOwnChecks) {
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(folder_ / "disc.cue"), "");
  const CueImageResult opened = OpenCueImage(folder_ / "disc.cue");
  ASSERT_TRUE(opened.image) << opened.error;
  EXPECT_EQ(opened.image->sectorCount, kDataSectors + kPregap + kAudioSectors + kMode2Sectors);
}

TEST_F(CueImageToolsTest, DiscInfoToolListsTracksAndModes) {
  if (!ToolInstalled("cd-info")) GTEST_SKIP() << "cd-info is not installed";
  const std::string output = RunTool("cd-info --no-device-info --cue-file " + Quoted(folder_ / "disc.cue")).output;
  for (const char* line : {"CD-ROM Track List (1 - 3)", "  1: 00:02:00  000000 data",
                           "  2: 00:08:02  000452 audio", "  3: 00:12:02  000752 XA",
                           "170: 00:12:42  000792 leadout", "CD-ROM with ISO 9660 filesystem"})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
}

TEST_F(CueImageToolsTest, ConverterSplitsTracksIntoIsoAndWav) {
  if (!ToolInstalled("bchunk")) GTEST_SKIP() << "bchunk is not installed";
  const std::string output = RunTool("cd " + Quoted(folder_) + " && bchunk -w disc.bin disc.cue track").output;
  EXPECT_EQ(FileBytes(folder_ / "track01.iso"), userData_) << output;
  const std::vector<std::uint8_t> wav = FileBytes(folder_ / "track02.wav");
  ASSERT_EQ(wav.size(), 44 + audio_.size()) << output;
  EXPECT_TRUE(std::equal(audio_.begin(), audio_.end(), wav.begin() + 44));
  EXPECT_TRUE(fs::exists(folder_ / "track03.iso")) << output;
}

}  // namespace
}  // namespace brenmark::virtualdrive
