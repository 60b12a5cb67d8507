#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "jobs/ProgressBarState.h"
#include "jobs/ProgressSink.h"

namespace brenmark {

// What a progress window shows, as the job last set it.
struct ProgressDisplay {
  std::string status;
  std::string notices;  // the job's notices, one a line, oldest first
  ProgressBarState bar;
  bool closeEnabled = true;
  bool statusChanged = false;
  bool closeChanged = false;
  bool noticesChanged = false;
};

// A job's progress calls for a window that lives on the user-interface thread,
// taken without ever making the job wait for that thread: each call changes a
// copy of the window's state at once (GetPos answers from it) and, unless an
// update is already queued, asks the front end to queue one. The update then
// shows the state as it is when it runs, however many calls came in meanwhile.
class CoalescingProgressSink : public ProgressSink {
 public:
  using Display = ProgressDisplay;

  // The copy, shared with the updates the front end has queued so that they
  // may outlive the sink.
  class State {
   public:
    explicit State(Display initial = {}) : display_(std::move(initial)) {}
    // What the window is to show, the change marks cleared; nothing when no
    // call came since the last update. On the user-interface thread.
    std::optional<Display> TakeUpdate();

   private:
    friend class CoalescingProgressSink;
    std::mutex mutex_;
    Display display_;
    bool updateQueued_ = false;
  };

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override;
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override;
  bool ShowNotice(const std::string& text) override;

 protected:
  explicit CoalescingProgressSink(Display initial = {}) : state_(std::make_shared<State>(std::move(initial))) {}
  // Queues one update of the window to the user-interface thread; the update
  // calls state->TakeUpdate() and shows what it gives.
  virtual void QueueUpdate(std::shared_ptr<State> state) = 0;

  const std::shared_ptr<State>& state() const { return state_; }

 private:
  template <typename Change>
  void Update(Change&& change);

  std::shared_ptr<State> state_;
};

}  // namespace brenmark
