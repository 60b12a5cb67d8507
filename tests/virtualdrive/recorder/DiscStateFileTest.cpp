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
}

}  // namespace
}  // namespace brenmark::virtualdrive
