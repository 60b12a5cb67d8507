#pragma once

namespace brenmark::desktop {

// Where a new job window opens, in screen coordinates: a step below and to
// the right of the previous one, so that every title stays readable, and back
// at the first window's place once it would leave the screen.
struct WindowPlace {
  int x = 0;
  int y = 0;
};

struct ScreenArea {
  int left = 0;
  int top = 0;
  int right = 0;   // exclusive
  int bottom = 0;  // exclusive
};

// About the height of a title bar.
inline constexpr int kCascadeStep = 28;

inline WindowPlace CascadePlace(WindowPlace previous, WindowPlace first, int width, int height,
                                const ScreenArea& screen) {
  const WindowPlace next{previous.x + kCascadeStep, previous.y + kCascadeStep};
  const bool fits = next.x >= screen.left && next.y >= screen.top && next.x + width <= screen.right &&
                    next.y + height <= screen.bottom;
  return fits ? next : first;
}

}  // namespace brenmark::desktop
