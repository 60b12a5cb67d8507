#pragma once

#include <memory>

#include "shell/CoalescingProgressSink.h"
#include "shell/win32/CProgressDlg.h"
#include "shell/win32/UiDispatcher.h"

namespace brenmark::win32 {

// Carries a job's progress calls to its progress window without making the
// job wait for the user-interface thread; updates are posted through the
// dispatcher, one at a time.
class Win32ProgressSink final : public CoalescingProgressSink {
 public:
  Win32ProgressSink(UiDispatcher& ui, CProgressDlg& window);

  // Brings the window up to date now; on the user-interface thread.
  void Flush();

 private:
  void QueueUpdate(std::shared_ptr<State> state) override;
  static void Show(CProgressDlg& window, State& state);

  UiDispatcher& ui_;
  CProgressDlg& window_;
};

}  // namespace brenmark::win32
