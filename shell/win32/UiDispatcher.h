#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace brenmark::win32 {

// Runs work on the user-interface thread for other threads, through a hidden
// message-only window of that thread: Call waits until the work has run (a
// question's answer), Post only queues it (progress, a job's end). The window
// lives as long as this object; it must be made on the user-interface thread,
// and outlive every thread that calls it.
//
// Posted work waits in a queue of its own, in order; one message at a time
// asks the thread to run it. When that message cannot be posted (the thread's
// message queue is full), the work stays queued and is run all the same: the
// thread is told through a sent notification instead, or on its own thread
// through a timer, and the next Post asks again.
class UiDispatcher {
 public:
  // How the dispatcher asks its window to run the queue; tests make it fail.
  using PostWakeUp = std::function<bool(HWND window, UINT message)>;

  explicit UiDispatcher(PostWakeUp postWakeUp = nullptr);
  ~UiDispatcher();
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  bool OnUiThread() const;
  // Runs `work` on the user-interface thread and returns when it has run
  // (at once when called there).
  void Call(const std::function<void()>& work);
  // Queues `work` for the user-interface thread's message loop; never waits.
  void Post(std::function<void()> work);
  // Waits for messages to this thread and serves them (the calls of other
  // threads among them).
  static void ServeMessages();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void WakeUp();
  void RunQueued();

  DWORD threadId_;
  HWND window_;
  PostWakeUp postWakeUp_;
  std::mutex mutex_;
  std::deque<std::function<void()>> queued_;
  bool wakeUpPending_ = false;
};

}  // namespace brenmark::win32
