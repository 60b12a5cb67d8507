#include <gtest/gtest.h>

#include "drive/CdTextPacks.h"

namespace brenmark::cdtext {
namespace {

// Texts longer than a pack, an empty track between two others, two types:
// the packs carry them in order, with the track and character position of
// each pack's first byte, consecutive sequence numbers and valid CRCs; the
// size information counts them.
TEST(CdTextPacks, EncodedTextsDecodeBackFromValidPacks) {
  const std::vector<Entry> entries = {{kTitle, 0, "An album title of some length"},
                                      {kTitle, 1, "One"},
                                      {kTitle, 3, "Three"},
                                      {kPerformer, 0, "Band"}};
  const std::vector<Pack> packs = Encode(entries);
  // Titles: 30 + 4 + 1 + 6 bytes = 4 packs; performers: 5 + 4 NULs = 1; size information: 3.
  ASSERT_EQ(packs.size(), 8u);
  for (std::size_t index = 0; index < packs.size(); ++index) {
    EXPECT_EQ(packs[index][2], index);
    EXPECT_TRUE(HasValidCrc(packs[index])) << index;
  }
  EXPECT_EQ(packs[2][1], 0);  // bytes 24-35 of the title stream: still the disc's title...
  EXPECT_EQ(packs[2][3], 15);  // ...from its 24th character on, said as 15 at most
  EXPECT_EQ(packs[3][1], 3);  // bytes 36-47: "Three" begins the fourth pack
  EXPECT_EQ(packs[7][0], kSizeInfo);
  EXPECT_EQ(packs[5][4 + 4], 4);  // size information: 4 title packs
  EXPECT_EQ(packs[5][4 + 5], 1);  // and one performer pack
  EXPECT_EQ(Decode(packs), entries);

  // A pack whose CRC is wrong is passed over with its text; so is language block 1.
  std::vector<Pack> damaged = packs;
  damaged[4][5] ^= 0x01;
  Pack otherBlock = packs[0];
  otherBlock[3] |= 0x10;
  damaged.push_back(otherBlock);
  std::vector<Entry> expected(entries.begin(), entries.end() - 1);
  EXPECT_EQ(Decode(damaged), expected);
}

TEST(CdTextPacks, TabRepeatsThePreviousTrackAndSymbolsRoundTrip) {
  Pack pack{};
  pack[0] = kPerformer;
  const std::string stream = std::string("Band\0\t\0", 7);
  std::copy(stream.begin(), stream.end(), pack.begin() + 4);
  const std::uint16_t crc = Crc(pack);
  pack[16] = static_cast<std::uint8_t>(crc >> 8);
  pack[17] = static_cast<std::uint8_t>(crc);
  EXPECT_EQ(Decode({pack}), (std::vector<Entry>{{kPerformer, 0, "Band"}, {kPerformer, 1, "Band"}}));

  std::array<std::uint8_t, 24> symbols = ToRwSymbols(pack);
  for (const std::uint8_t symbol : symbols) EXPECT_LT(symbol, 0x40);
  for (std::uint8_t& symbol : symbols) symbol |= 0xC0;  // P and Q bits of raw sub-channel
  EXPECT_EQ(FromRwSymbols(symbols.data()), pack);
}

}  // namespace
}  // namespace brenmark::cdtext
