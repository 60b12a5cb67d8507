// Where windows open: job windows beside the main window, inside the
// screen's available area, in a cascade that starts again before leaving it;
// dialogs over their owner.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "shell/desktop/CascadePlace.h"

namespace brenmark::desktop {
namespace {

bool Overlaps(const ScreenArea& a, const ScreenArea& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

struct PlaceCase {
  const char* name;
  ScreenArea main;
  ScreenArea screen;
  bool besideMain;  // there is room for a window beside the main window
  int firstX;
};

// A 400 x 200 job window on a 1280 x 900 area below a 30-pixel panel.
constexpr int kWidth = 400;
constexpr int kHeight = 200;
constexpr ScreenArea kScreen{0, 30, 1280, 900};

class CascadePlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(CascadePlaceTest, EveryWindowInReachAndTheCascadeWraps) {
  const PlaceCase& c = GetParam();
  const WindowPlace first = CascadePlace(0, c.main, kWidth, kHeight, c.screen);
  EXPECT_EQ(first.x, c.firstX);
  int wrappedAt = 0;
  WindowPlace previous = first;
  for (int index = 0; index < 60; ++index) {
    const WindowPlace place = CascadePlace(index, c.main, kWidth, kHeight, c.screen);
    const ScreenArea window{place.x, place.y, place.x + kWidth, place.y + kHeight};
    EXPECT_GE(window.left, c.screen.left) << index;
    EXPECT_GE(window.top, c.screen.top) << index;
    EXPECT_LE(window.right, c.screen.right) << index;
    EXPECT_LE(window.bottom, c.screen.bottom) << index;
    if (c.besideMain) {
      EXPECT_FALSE(Overlaps(window, c.main)) << index;
    }
    if (index > 0 && place.x == first.x && place.y == first.y && wrappedAt == 0) wrappedAt = index;
    if (index > 0 && wrappedAt == 0) {
      EXPECT_EQ(std::abs(place.x - previous.x), kCascadeStep) << index;
      EXPECT_EQ(place.y - previous.y, kCascadeStep) << index;
    }
    previous = place;
  }
  EXPECT_GT(wrappedAt, 1) << "a dozen jobs fit before the cascade starts again";
}

INSTANTIATE_TEST_SUITE_P(
    MainWindowPositions, CascadePlaceTest,
    ::testing::Values(PlaceCase{"LeftOfScreenRightHasRoom", {20, 40, 520, 440}, kScreen, true, 520},
                      PlaceCase{"RightOfScreenLeftHasRoom", {760, 40, 1260, 440}, kScreen, true, 360},
                      PlaceCase{"CentredNoRoomEitherSide", {300, 100, 980, 600}, kScreen, false, 880},
                      PlaceCase{"HalfOffTheTopLeft", {-300, -200, 200, 300}, kScreen, true, 200},
                      PlaceCase{"OffTheScreenToTheRight", {1500, 500, 1900, 800}, kScreen, true, 880}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

// Job windows cover none of the main window while the screen has room: beside
// it, then below or above it; only then over it, and always on the screen.
TEST(JobWindowPlace, BesideThenBelowTheMainWindowBeforeCoveringIt) {
  const struct {
    const char* name;
    ScreenArea main;
    WindowPlace first;
    int uncovering;  // slots placed off the main window, one place each
  } cases[] = {
      {"RoomRightAndBelow", {20, 40, 520, 440}, {520, 40}, 23},
      {"RoomLeftAndBelow", {760, 40, 1260, 440}, {360, 40}, 18},
      {"RoomBelowOnly", {300, 100, 980, 600}, {300, 600}, 4},
      {"RoomAboveOnly", {300, 300, 980, 900}, {300, 30}, 3},
      {"NoRoomAnywhere", {0, 30, 1280, 900}, {880, 30}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WindowPlace first = JobWindowPlace(0, c.main, kWidth, kHeight, kScreen);
    EXPECT_EQ(std::make_pair(first.x, first.y), std::make_pair(c.first.x, c.first.y));
    std::vector<std::pair<int, int>> places;
    for (int slot = 0; slot < 60; ++slot) {
      const WindowPlace place = JobWindowPlace(slot, c.main, kWidth, kHeight, kScreen);
      const ScreenArea window{place.x, place.y, place.x + kWidth, place.y + kHeight};
      EXPECT_TRUE(window.left >= kScreen.left && window.top >= kScreen.top && window.right <= kScreen.right &&
                  window.bottom <= kScreen.bottom) << slot;
      if (slot < c.uncovering) {
        EXPECT_FALSE(Overlaps(window, c.main)) << slot;
        places.emplace_back(place.x, place.y);
      }
    }
    std::sort(places.begin(), places.end());
    EXPECT_EQ(std::adjacent_find(places.begin(), places.end()), places.end()) << "two windows on one place";
  }
}

TEST(CascadePlace, WindowLargerThanTheAreaKeepsItsTitleBarOnIt) {
  const WindowPlace place = CascadePlace(5, {0, 0, 100, 100}, 2000, 1500, kScreen);
  EXPECT_EQ(place.x, kScreen.left);
  EXPECT_EQ(place.y, kScreen.top);
}

// Dialogs open centred over their owner, and never off the area: a dialog of
// a main window dragged half off the screen still opens whole.
TEST(CentredPlace, OverTheOwnerAndWithinTheArea) {
  const struct {
    ScreenArea owner;
    WindowPlace expected;
  } cases[] = {
      {{100, 100, 700, 500}, {200, 200}},
      {{-500, 100, 100, 500}, {0, 200}},
      {{1000, 800, 1600, 1200}, {880, 700}},
  };
  for (const auto& c : cases) {
    const WindowPlace place = CentredPlace(c.owner, kWidth, kHeight, kScreen);
    EXPECT_EQ(place.x, c.expected.x) << c.owner.left;
    EXPECT_EQ(place.y, c.expected.y) << c.owner.left;
  }
}

}  // namespace
}  // namespace brenmark::desktop
