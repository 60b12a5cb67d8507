#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "shell/ProgressBarState.h"
#include "shell/ProgressSink.h"
#include "shell/win32/CProgressDlg.h"
#include "shell/win32/UiDispatcher.h"

namespace brenmark::win32 {

// Carries a job's progress calls to its progress window without making the
// job wait for the user-interface thread: each call changes a copy of the
// window's state at once (GetPos answers from it) and, unless an update is
// already queued, queues one; the window then shows the state as it is when
// the update runs, however many calls came in meanwhile.
class Win32ProgressSink final : public ProgressSink {
 public:
  Win32ProgressSink(UiDispatcher& ui, CProgressDlg& window);

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override;
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override;

  // Brings the window up to date now; on the user-interface thread.
  void Flush();

 private:
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
    CProgressDlg* window;
  };

  template <typename Change>
  void Update(Change&& change);
  static void Apply(Shared& shared);

  UiDispatcher& ui_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace brenmark::win32
