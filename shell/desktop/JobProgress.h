#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "jobs/ProgressBarState.h"
#include "jobs/ProgressSink.h"

namespace brenmark::desktop {

// A job's progress on its way to the job's window, remembered so that the
// window can be set right when the job fails: a status that still says what
// the job was doing ("Preparing Burning...") is replaced by where it stopped,
// and a bar that reads full is emptied, since both would read as a job at
// work or done.
class JobProgress final : public ProgressSink {
 public:
  explicit JobProgress(std::shared_ptr<ProgressSink> window) : window_(std::move(window)) {}

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override { return window_->GetPos(); }
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override { window_->EnableClose(enabled); }
  bool ShowNotice(const std::string& text) override { return window_->ShowNotice(text); }

  // The job has ended without completing; called once it no longer reports.
  void ShowFailed();

 private:
  // Applies `change` to the remembered state.
  template <typename Change>
  void Remember(Change change) {
    const std::lock_guard lock(mutex_);
    change();
  }

  std::shared_ptr<ProgressSink> window_;
  std::mutex mutex_;
  std::string status_;
  ProgressBarState bar_;
};

}  // namespace brenmark::desktop
