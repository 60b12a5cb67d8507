#include "shell/CoalescingProgressSink.h"

namespace brenmark {

std::optional<CoalescingProgressSink::Display> CoalescingProgressSink::State::TakeUpdate() {
  std::lock_guard lock(mutex_);
  // Nothing new since the last update (a flush came first).
  if (!updateQueued_ && !display_.statusChanged && !display_.closeChanged && !display_.noticesChanged) {
    return std::nullopt;
  }
  updateQueued_ = false;
  Display display = display_;
  display_.statusChanged = false;
  display_.closeChanged = false;
  display_.noticesChanged = false;
  return display;
}

template <typename Change>
void CoalescingProgressSink::Update(Change&& change) {
  {
    std::lock_guard lock(state_->mutex_);
    change(state_->display_);
    if (state_->updateQueued_) return;
    state_->updateQueued_ = true;
  }
  QueueUpdate(state_);
}

void CoalescingProgressSink::SetStatus(const std::string& text) {
  Update([&](Display& display) {
    display.status = text;
    display.statusChanged = true;
  });
}

void CoalescingProgressSink::SetRange(std::int32_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void CoalescingProgressSink::SetRange16(std::uint16_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void CoalescingProgressSink::SetPos(std::int32_t position) {
  Update([&](Display& display) { display.bar.SetPos(position); });
}

std::int32_t CoalescingProgressSink::GetPos() {
  std::lock_guard lock(state_->mutex_);
  return state_->display_.bar.position();
}

void CoalescingProgressSink::SetStep(std::int32_t step) {
  Update([&](Display& display) { display.bar.SetStep(step); });
}

void CoalescingProgressSink::StepIt() {
  Update([](Display& display) { display.bar.StepIt(); });
}

void CoalescingProgressSink::EnableClose(bool enabled) {
  Update([&](Display& display) {
    display.closeEnabled = enabled;
    display.closeChanged = true;
  });
}

bool CoalescingProgressSink::ShowNotice(const std::string& text) {
  Update([&](Display& display) {
    if (!display.notices.empty()) display.notices += '\n';
    display.notices += text;
    display.noticesChanged = true;
  });
  return true;
}

}  // namespace brenmark
