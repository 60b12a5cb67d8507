#pragma once

#include <windows.h>

#include <deque>
#include <functional>

namespace brenmark::win32 {

// Acts on the dialogs this thread opens next (modal dialogs and message boxes,
// which run message loops of their own): each queued step gets the next one
// that shows up, from a timer of this thread. A dialog counts when it is
// visible and enabled (so not the owner of an open modal) and not ignored.
// Steps close their dialog with ClickLater, so that a dialog is gone before the
// next step looks. One watcher at a time per thread.
class DialogWatcher {
 public:
  using Step = std::function<void(HWND dialog)>;

  explicit DialogWatcher(std::function<bool(HWND)> ignore = {});
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  void Then(Step step) { steps_.push_back(std::move(step)); }
  bool Done() const { return steps_.empty(); }
  std::size_t Pending() const { return steps_.size(); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  HWND FindDialog() const;

  std::function<bool(HWND)> ignore_;
  std::deque<Step> steps_;
  UINT_PTR timer_;
  bool running_ = false;
};

// Presses a button of a dialog the way a click does, once the caller has
// returned to the dialog's message loop.
void ClickLater(HWND dialog, int id);

}  // namespace brenmark::win32
