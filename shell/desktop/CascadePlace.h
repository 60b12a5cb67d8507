#pragma once

#include <algorithm>
#include <vector>

namespace brenmark::desktop {

// Where job windows open, in screen coordinates: beside the main window, so
// that its controls stay in reach, and each later window a title bar lower
// and further from the main window than the one before, so that every
// title stays readable.
// The cascade starts again at the first place before a window would leave the
// screen's available area, and every window opens within that area.
struct WindowPlace {
  int x = 0;
  int y = 0;
};

// A rectangle of the screen; right and bottom are exclusive.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// About the height of a title bar.
inline constexpr int kCascadeStep = 28;

// The place of the job window numbered `index` (0 for the first) of size
// `width` x `height` (frame included), next to `mainWindow`: to its right when
// there is room, else to its left, else at the area's right edge.
inline WindowPlace CascadePlace(int index, const ScreenArea& mainWindow, int width, int height,
                                const ScreenArea& screen) {
  const auto within = [](int value, int low, int high) { return std::max(low, std::min(value, high)); };
  const int highestX = screen.right - width;
  const int highestY = screen.bottom - height;
  int x = mainWindow.right;
  // Without room on the right the cascade runs leftwards: away from the main
  // window when it fits on its left, else from the area's right edge.
  bool leftwards = false;
  if (x > highestX) {
    leftwards = true;
    x = mainWindow.left - width >= screen.left ? mainWindow.left - width : highestX;
  }
  x = within(x, screen.left, highestX);
  const int y = within(mainWindow.top, screen.top, highestY);
  const int room = std::min(leftwards ? x - screen.left : highestX - x, highestY - y);
  const int places = room > 0 ? room / kCascadeStep + 1 : 1;
  const int step = (index < 0 ? 0 : index % places) * kCascadeStep;
  // A window larger than the area keeps its title bar and left edge on it.
  return {std::max(screen.left, std::min(leftwards ? x - step : x + step, highestX)),
          std::max(screen.top, std::min(y + step, highestY))};
}

// Where the job window in cascade slot `slot` (0 for the first) opens so that
// it covers none of the main window while the screen has room: a cascade to
// the main window's right, then one to its left, then one below it, then one
// above it; only once all of these are full do windows cascade over it as
// CascadePlace places them.
inline WindowPlace JobWindowPlace(int slot, const ScreenArea& mainWindow, int width, int height,
                                  const ScreenArea& screen) {
  struct Region {
    int x, y;
    int dx;  // +1: the cascade runs rightwards, -1: leftwards
    bool usable;
  };
  const auto within = [](int value, int low, int high) { return std::max(low, std::min(value, high)); };
  const int highestX = screen.right - width;
  const int highestY = screen.bottom - height;
  const int besideY = within(mainWindow.top, screen.top, highestY);
  const int underX = within(mainWindow.left, screen.left, highestX);
  const Region regions[] = {
      {mainWindow.right, besideY, 1, mainWindow.right <= highestX && screen.top <= highestY},
      {mainWindow.left - width, besideY, -1, mainWindow.left - width >= screen.left && screen.top <= highestY},
      {underX, mainWindow.bottom, 1, mainWindow.bottom <= highestY && screen.left <= highestX},
      {underX, screen.top, 1, mainWindow.top - height >= screen.top && screen.left <= highestX},
  };
  int rest = std::max(slot, 0);
  int taken = 0;
  for (const Region& region : regions) {
    if (!region.usable) continue;
    const int roomX = region.dx > 0 ? highestX - region.x : region.x - screen.left;
    // Above the main window the cascade must not run down onto it.
    const int lowestY = &region == &regions[3] ? mainWindow.top - height : highestY;
    const int places = std::min(roomX, lowestY - region.y) / kCascadeStep + 1;
    if (rest < places) return {region.x + region.dx * rest * kCascadeStep, region.y + rest * kCascadeStep};
    rest -= places;
    taken += places;
  }
  return CascadePlace(std::max(slot, 0) - taken, mainWindow, width, height, screen);
}

// The lowest cascade slot none of `taken` holds: a slot freed by a closed
// window is given to the next one.
inline int LowestFreeSlot(const std::vector<int>& taken) {
  int slot = 0;
  while (std::find(taken.begin(), taken.end(), slot) != taken.end()) ++slot;
  return slot;
}

// A dialog or message box of size `width` x `height` centred over its owner
// window, moved into the screen's available area where it would leave it.
inline WindowPlace CentredPlace(const ScreenArea& owner, int width, int height, const ScreenArea& screen) {
  const int x = owner.left + (owner.right - owner.left - width) / 2;
  const int y = owner.top + (owner.bottom - owner.top - height) / 2;
  return {std::max(screen.left, std::min(x, screen.right - width)),
          std::max(screen.top, std::min(y, screen.bottom - height))};
}

}  // namespace brenmark::desktop
