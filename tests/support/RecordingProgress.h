#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "jobs/ProgressBarState.h"
#include "jobs/ProgressSink.h"

namespace brenmark::test {

// A progress window that writes down every call as a line of text ("status X",
// "range 5", "step", "close on", ...), for tests that check what a job reported.
class RecordingProgress final : public ProgressSink {
 public:
  void SetStatus(const std::string& text) override { Log("status " + text); }
  void SetRange(std::int32_t maximum) override {
    Log("range " + std::to_string(maximum));
    std::lock_guard lock(mutex_);
    bar_.SetRange(maximum);
  }
  void SetRange16(std::uint16_t maximum) override {
    Log("range16 " + std::to_string(maximum));
    std::lock_guard lock(mutex_);
    bar_.SetRange(maximum);
  }
  void SetPos(std::int32_t position) override {
    Log("pos " + std::to_string(position));
    std::lock_guard lock(mutex_);
    bar_.SetPos(position);
  }
  std::int32_t GetPos() override {
    std::lock_guard lock(mutex_);
    return bar_.position();
  }
  void SetStep(std::int32_t step) override {
    Log("setstep " + std::to_string(step));
    std::lock_guard lock(mutex_);
    bar_.SetStep(step);
  }
  void StepIt() override {
    std::lock_guard lock(mutex_);
    bar_.StepIt();
  }
  void EnableClose(bool enabled) override { Log(enabled ? "close on" : "close off"); }

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::vector<std::string> statuses() const {
    std::vector<std::string> result;
    for (const std::string& call : calls()) {
      if (call.rfind("status ", 0) == 0) result.push_back(call.substr(7));
    }
    return result;
  }
  std::int32_t position() const {
    std::lock_guard lock(mutex_);
    return bar_.position();
  }

 private:
  void Log(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }

  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  ProgressBarState bar_;
};

// A recording progress window that also runs an action when the job shows a
// given status, or once after that when its bar reaches `position`, on the
// job's thread: a test's way to act at a step of a job, or to hold the job there.
class ActingProgress final : public ProgressSink {
 public:
  ActingProgress(std::string status, std::function<void()> action, std::int32_t position = -1)
      : status_(std::move(status)), action_(std::move(action)), position_(position) {}
  void SetStatus(const std::string& text) override {
    armed_ = armed_ || text == status_;
    Act();
    record.SetStatus(text);
  }
  void SetRange(std::int32_t maximum) override { record.SetRange(maximum); }
  void SetRange16(std::uint16_t maximum) override { record.SetRange16(maximum); }
  void SetPos(std::int32_t position) override {
    record.SetPos(position);
    Act();
  }
  std::int32_t GetPos() override { return record.GetPos(); }
  void SetStep(std::int32_t step) override { record.SetStep(step); }
  void StepIt() override {
    record.StepIt();
    Act();
  }
  void EnableClose(bool enabled) override { record.EnableClose(enabled); }

  RecordingProgress record;

 private:
  void Act() {
    if (!armed_ || record.position() < position_) return;
    armed_ = false;
    action_();
  }

  std::string status_;
  std::function<void()> action_;
  std::int32_t position_;
  bool armed_ = false;
};

}  // namespace brenmark::test
