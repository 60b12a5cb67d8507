#pragma once

#include <algorithm>

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

// A dialog or message box of size `width` x `height` centred over its owner
// window, moved into the screen's available area where it would leave it.
inline WindowPlace CentredPlace(const ScreenArea& owner, int width, int height, const ScreenArea& screen) {
  const int x = owner.left + (owner.right - owner.left - width) / 2;
  const int y = owner.top + (owner.bottom - owner.top - height) / 2;
  return {std::max(screen.left, std::min(x, screen.right - width)),
          std::max(screen.top, std::min(y, screen.bottom - height))};
}

}  // namespace brenmark::desktop
