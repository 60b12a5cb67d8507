// The bytes a session at once sends before its tracks: the MMC cue sheet and
// the CD-TEXT of the lead-in, packs and their packed R-W sub-channel blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/CdCueSheet.h"
#include "drive/CdTextPacks.h"

namespace brenmark {
namespace {

using Bytes = std::vector<std::uint8_t>;
using cdcue::DataForm;

struct CueCase {
  std::string name;
  cdcue::SessionCue cue;
  Bytes sheet;
};

void PrintTo(const CueCase& c, std::ostream* os) { *os << c.name; }

std::vector<CueCase> CueCases() {
  cdcue::SessionCue gapless;
  gapless.cdText = true;
  gapless.tracks = {{1, false, false, false, false, "", {{0, -150, DataForm::Audio}, {1, 0, DataForm::Audio}}},
                    {2, false, false, false, false, "", {{1, 4500 + 300, DataForm::Audio}}}};
  gapless.leadOut = 4500 + 600;

  cdcue::SessionCue mixed;
  mixed.catalog = "0123456789012";
  mixed.tracks = {{1, true, false, false, false, "", {{0, -150, DataForm::Mode1}, {1, 0, DataForm::Mode1Raw}}},
                  {2, false, true, true, false, "USABC1234567", {{0, 1000, DataForm::Audio}, {1, 1150, DataForm::Audio},
                                                                 {2, 1200, DataForm::Audio}}}};
  mixed.leadOut = 2000;
  return {
      {"GaplessAudioWithCdText", gapless,
       {0x01, 0x00, 0x00, 0x41, 0, 0, 0, 0,         // lead-in, CD-TEXT in packed R-W
        0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0,         // track 1 pregap at 00:00:00 (LBA -150)
        0x01, 0x01, 0x01, 0x00, 0, 0, 2, 0,         // track 1 at 00:02:00
        0x01, 0x02, 0x01, 0x00, 0, 1, 6, 0,         // track 2 at LBA 4800: 01:06:00
        0x01, 0xAA, 0x01, 0x01, 0, 1, 10, 0}},      // lead-out at LBA 5100
      {"DataThenAudioWithCatalogAndIsrc", mixed,
       {0x02, '0', '1', '2', '3', '4', '5', '6',
        0x02, '7', '8', '9', '0', '1', '2', 0,
        0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0,         // lead-in of a Mode 1 disc
        0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,         // generated pregap sent as 2048-byte blocks
        0x41, 0x01, 0x01, 0x11, 0, 0, 2, 0,         // raw Mode 1 from LBA 0
        0x33, 0x02, 'U', 'S', 'A', 'B', 'C', '1',   // ISRC, control 3: pre-emphasis, copy permitted
        0x33, 0x02, '2', '3', '4', '5', '6', '7',
        0x31, 0x02, 0x00, 0x00, 0, 0, 15, 25,       // LBA 1000 + 150 = 00:15:25
        0x31, 0x02, 0x01, 0x00, 0, 0, 17, 25,
        0x31, 0x02, 0x02, 0x00, 0, 0, 18, 0,
        0x31, 0xAA, 0x01, 0x01, 0, 0, 28, 50}},
  };
}

class CueSheets : public ::testing::TestWithParam<CueCase> {};

TEST_P(CueSheets, HaveOneEntryPerIndexBetweenLeadInAndLeadOut) {
  EXPECT_EQ(cdcue::BuildCueSheet(GetParam().cue), GetParam().sheet);
}

INSTANTIATE_TEST_SUITE_P(Sessions, CueSheets, ::testing::ValuesIn(CueCases()),
                         [](const auto& info) { return info.param.name; });

std::string TextOf(const cdtext::Pack& pack) { return std::string(pack.begin() + 4, pack.begin() + 16); }

TEST(CdTextPacks, CarryEachKindOfTextInOrderThenTheSizeInformation) {
  cdtext::DiscTexts texts;
  texts.disc = {"Album", "Band", ""};
  texts.tracks = {{"A rather long title", "", ""}, {"Zwei \xC3\xA9", "Other", ""}};
  const auto packs = cdtext::EncodePacks(texts);
  ASSERT_TRUE(packs.has_value());
  // Titles: "Album\0A rather long title\0Zwei é\0" is 33 bytes, 3 packs;
  // performers "Band\0\0Other\0", 1 pack; then 3 size packs.
  ASSERT_EQ(packs->size(), 7u);
  const std::vector<std::array<int, 4>> headers = {{0x80, 0, 0, 0},  {0x80, 1, 1, 6},  {0x80, 1, 2, 15},
                                                   {0x81, 0, 3, 0},  {0x8F, 0, 4, 0},  {0x8F, 1, 5, 0},
                                                   {0x8F, 2, 6, 0}};
  for (std::size_t i = 0; i < packs->size(); ++i) {
    const cdtext::Pack& pack = (*packs)[i];
    EXPECT_EQ((std::array<int, 4>{pack[0], pack[1], pack[2], pack[3]}), headers[i]) << "pack " << i;
    EXPECT_EQ(pack[16] << 8 | pack[17], cdtext::PackCrc(pack)) << "pack " << i;
  }
  EXPECT_EQ(TextOf((*packs)[0]), std::string("Album\0A rathe", 12));
  // The third pack starts within track 1's title, at its 19th character (position counted up to 15).
  EXPECT_EQ(TextOf((*packs)[2]), std::string("e\0Zwei \xE9\0\0\0\0", 12));
  // Size information: charset, first and last track, packs per kind, last sequence number, language.
  const Bytes info(((*packs)[4]).begin() + 4, ((*packs)[4]).begin() + 16);
  EXPECT_EQ(info, (Bytes{0x00, 1, 2, 0, 3, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ((*packs)[5][4 + 8], 6);   // last sequence number of block 0
  EXPECT_EQ((*packs)[6][4 + 4], 0x09);  // block 0 in English
}

TEST(CdTextPacks, TooMuchTextIsRefusedAndTheLeadInSymbolsGiveThePacksBack) {
  cdtext::DiscTexts huge;
  huge.tracks.assign(99, {std::string(40, 'x'), std::string(40, 'y'), ""});
  EXPECT_FALSE(cdtext::EncodePacks(huge).has_value());

  cdtext::DiscTexts texts;
  texts.disc.title = "Round";
  const std::vector<cdtext::Pack> packs = *cdtext::EncodePacks(texts);
  ASSERT_EQ(packs.size(), 4u);
  // The block after the first starts again with the first pack: four packs
  // to a block, taken round.
  const auto block = cdtext::LeadInBlock(packs, 4);
  for (std::size_t p = 0; p < 4; ++p) {
    cdtext::Pack decoded{};
    for (std::size_t bit = 0; bit < 144; ++bit) {
      const int symbol = block[p * 24 + bit / 6];
      EXPECT_LT(symbol, 64);
      if ((symbol >> (5 - bit % 6)) & 1) decoded[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    }
    EXPECT_EQ(decoded, packs[p]) << "pack " << p;
  }
}

}  // namespace
}  // namespace brenmark
