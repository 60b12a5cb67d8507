#include <gtest/gtest.h>

#include "virtualdrive/DiscStateFile.h"

namespace brenmark::virtualdrive {
namespace {

DiscState TwoSessionDisc() {
  DiscState disc = DiscState::Blank(MediumKind::CdRw);
  disc.tracks.push_back({1, 1, TrackKind::Audio, 0, 0, 300, 2, true});
  disc.sessions.push_back({1, 302, true, 0x00});
  disc.tracks.push_back({2, 2, TrackKind::Mode2, 11552, 11702, 11800, 0, false});
  return disc;
}

TEST(DiscStateFile, RefusesInconsistentDiscs) {
  const std::string good = FormatDiscState(TwoSessionDisc());
  const auto refusedWith = [](const std::string& text) { return ParseDiscState(text).error; };
  EXPECT_NE(refusedWith(""), "");
  EXPECT_NE(refusedWith("brenmark-disc 2\nmedium CD-R\n"), "");
  EXPECT_NE(refusedWith(good + "track 3 2 mode1 11800 11800 11810 0 1\n"), "");  // after an open track
  EXPECT_NE(refusedWith(good + "bogus 1\n"), "");
  std::string overlapping = good;
  overlapping.replace(overlapping.find("11552"), 5, "00100");
  EXPECT_NE(refusedWith(overlapping), "");
  std::string finished = good;
  finished.replace(finished.find("finalized 0"), 11, "finalized 1");
  EXPECT_NE(refusedWith(finished), "");  // its only session allows another
  EXPECT_NE(refusedWith("brenmark-disc 1\nmedium CD-R\ntrack 1 1 mode1 0 0 999999 0 1\n"), "");
  // What a disc written at once adds: only for tracks it has, indexes within them.
  EXPECT_NE(refusedWith(good + "isrc 3 GBAAA9900001\n"), "");
  EXPECT_NE(refusedWith(good + "isrc 1 GBAAA99\n"), "");
  EXPECT_NE(refusedWith(good + "index 1 300\n"), "");
  EXPECT_NE(refusedWith(good + "index 1 0\n"), "");
  EXPECT_NE(refusedWith(good + "catalog 123\n"), "");
  EXPECT_NE(refusedWith(good + "cdtext 80000000\n"), "");
  EXPECT_NE(refusedWith(good + "cdtext " + std::string(36, 'g') + "\n"), "");
}

TEST(DiscStateFile, KeepsWhatASessionAtOnceWrote) {
  DiscState disc = TwoSessionDisc();
  disc.tracks[0].indexes = {100, 200};
  disc.tracks[0].isrc = "GBAAA9900001";
  disc.catalog = "0123456789012";
  disc.cdText = cdtext::Encode({{cdtext::kTitle, 0, "Album"}, {cdtext::kTitle, 1, "Song"}});
  const DiscStateParseResult parsed = ParseDiscState(FormatDiscState(disc));
  ASSERT_TRUE(parsed.state) << parsed.error;
  EXPECT_EQ(parsed.state->tracks[0].indexes, disc.tracks[0].indexes);
  EXPECT_EQ(parsed.state->tracks[0].isrc, disc.tracks[0].isrc);
  EXPECT_EQ(parsed.state->catalog, disc.catalog);
  EXPECT_EQ(parsed.state->cdText, disc.cdText);
}

}  // namespace
}  // namespace brenmark::virtualdrive
