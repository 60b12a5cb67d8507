#pragma once

#include <windows.h>

#include <functional>

namespace brenmark::win32 {

// Runs work on the user-interface thread for other threads, through a hidden
// message-only window of that thread: Call waits until the work has run (a
// question's answer), Post only queues it (progress). The window lives as long
// as this object; it must be made on the user-interface thread, and outlive
// every thread that calls it.
class UiDispatcher {
 public:
  UiDispatcher();
  ~UiDispatcher();
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  bool OnUiThread() const;
  // Runs `work` on the user-interface thread and returns when it has run
  // (at once when called there).
  void Call(const std::function<void()>& work);
  // Queues `work` for the user-interface thread's message loop.
  void Post(std::function<void()> work);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  DWORD threadId_;
  HWND window_;
};

}  // namespace brenmark::win32
