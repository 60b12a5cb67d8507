#pragma once

#include <windows.h>

#include "shell/desktop/CascadePlace.h"

namespace brenmark::win32 {

// The rectangle a window covers on the screen, frame included.
desktop::ScreenArea AreaOf(HWND window);
// The work area (the screen without task bars) of the monitor nearest to `window`.
desktop::ScreenArea WorkAreaNear(HWND window);
// Moves `window` there, keeping its size, its place in the stacking order and
// the active window.
void MoveWindowTo(HWND window, desktop::WindowPlace place);

// Moves `window` to the centre of `owner` (its owner window when none is
// given), within the work area of the owner's monitor. Nothing happens
// without an owner.
void CentreOverOwner(HWND window, HWND owner = nullptr);

// While it lives, the next window the calling thread activates (a message
// box about to show) is centred over `owner`. One at a time per thread: a box
// asked for while another is being shown opens where the system puts it.
class CentreNextActivation {
 public:
  explicit CentreNextActivation(HWND owner);
  ~CentreNextActivation();
  CentreNextActivation(const CentreNextActivation&) = delete;
  CentreNextActivation& operator=(const CentreNextActivation&) = delete;

 private:
  HHOOK hook_ = nullptr;
};

}  // namespace brenmark::win32
