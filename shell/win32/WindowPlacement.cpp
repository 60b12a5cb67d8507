#include "shell/win32/WindowPlacement.h"

namespace brenmark::win32 {

namespace {

// The owner of the box the hook of this thread waits for.
thread_local HWND centreOwner = nullptr;
thread_local HHOOK centreHook = nullptr;

LRESULT CALLBACK CentreOnActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && centreOwner != nullptr) {
    CentreOverOwner(reinterpret_cast<HWND>(wParam), centreOwner);
    // Only the box itself: windows it activates later stay where they are.
    centreOwner = nullptr;
  }
  return CallNextHookEx(centreHook, code, wParam, lParam);
}

}  // namespace

desktop::ScreenArea AreaOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

desktop::ScreenArea WorkAreaNear(HWND window) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& area = monitor.rcWork;
  return {area.left, area.top, area.right, area.bottom};
}

void MoveWindowTo(HWND window, desktop::WindowPlace place) {
  SetWindowPos(window, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOverOwner(HWND window, HWND owner) {
  if (owner == nullptr) owner = GetWindow(window, GW_OWNER);
  if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner)) return;
  const desktop::ScreenArea own = AreaOf(window);
  MoveWindowTo(window, desktop::CentredPlace(AreaOf(owner), own.right - own.left, own.bottom - own.top,
                                             WorkAreaNear(owner)));
}

CentreNextActivation::CentreNextActivation(HWND owner) {
  if (owner == nullptr || centreHook != nullptr) return;
  hook_ = SetWindowsHookExW(WH_CBT, CentreOnActivation, nullptr, GetCurrentThreadId());
  centreHook = hook_;
  centreOwner = owner;
}

CentreNextActivation::~CentreNextActivation() {
  if (hook_ == nullptr) return;
  UnhookWindowsHookEx(hook_);
  centreHook = nullptr;
  centreOwner = nullptr;
}

}  // namespace brenmark::win32
