#pragma once

#include <QPointer>

#include <memory>
#include <mutex>
#include <string>

#include "shell/ProgressBarState.h"
#include "shell/ProgressSink.h"
#include "shell/qt/CProgressDlg.h"

namespace brenmark::gui {

// Carries a job's progress calls to its own progress window without ever
// making the job wait for the user-interface thread: each call updates a copy
// of the window's state at once (so GetPos answers from it), and the window is
// brought up to date by one update at a time, at most kUpdatesPerSecond times
// a second however many calls come in, so that drawing never takes the job's
// processor time. A hidden window still takes them; once the window is gone
// (the application is closing) they only change the copy.
class QtProgressSink final : public ProgressSink {
 public:
  explicit QtProgressSink(CProgressDlg* window);

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override;
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override;

  // Brings the window up to date now; on the user-interface thread, once the
  // job has ended, so that its window shows the job's last calls.
  void Flush();

  static constexpr int kUpdatesPerSecond = 25;

 private:
  // What the window shows, as the job last set it.
  struct Display {
    std::string status;
    ProgressBarState bar;
    bool closeEnabled = true;
    bool statusChanged = false;
    bool closeChanged = false;
  };
  struct Shared {
    std::mutex mutex;
    Display display;
    bool updateQueued = false;
    QPointer<CProgressDlg> window;
  };

  // Changes the copy under the lock and queues an update unless one is waiting.
  template <typename Change>
  void Update(Change&& change);
  static void Apply(Shared& shared);

  std::shared_ptr<Shared> shared_;
};

}  // namespace brenmark::gui
