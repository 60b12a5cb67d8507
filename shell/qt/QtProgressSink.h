#pragma once

#include <QPointer>

#include <memory>

#include "shell/CoalescingProgressSink.h"
#include "shell/qt/CProgressDlg.h"

namespace brenmark::gui {

// Carries a job's progress calls to its own progress window without ever
// making the job wait for the user-interface thread. The window is brought up
// to date at most kUpdatesPerSecond times a second however many calls come in,
// so that drawing never takes the job's processor time. A hidden window still
// takes them; once the window is gone (the application is closing) they only
// change the copy.
class QtProgressSink final : public CoalescingProgressSink {
 public:
  explicit QtProgressSink(CProgressDlg* window);

  // Brings the window up to date now; on the user-interface thread, once the
  // job has ended, so that its window shows the job's last calls.
  void Flush();

  static constexpr int kUpdatesPerSecond = 25;

 private:
  void QueueUpdate(std::shared_ptr<State> state) override;
  static void Show(CProgressDlg* window, State& state);

  // Read only on the user-interface thread; shared with the queued updates.
  std::shared_ptr<QPointer<CProgressDlg>> window_;
};

}  // namespace brenmark::gui
