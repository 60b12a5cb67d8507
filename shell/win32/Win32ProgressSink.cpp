#include "shell/win32/Win32ProgressSink.h"

namespace brenmark::win32 {

Win32ProgressSink::Win32ProgressSink(UiDispatcher& ui, CProgressDlg& window)
    : ui_(ui), shared_(std::make_shared<Shared>()) {
  shared_->window = &window;
}

template <typename Change>
void Win32ProgressSink::Update(Change&& change) {
  {
    std::lock_guard lock(shared_->mutex);
    change(shared_->display);
    if (shared_->updateQueued) return;
    shared_->updateQueued = true;
  }
  ui_.Post([shared = shared_] { Apply(*shared); });
}

void Win32ProgressSink::Flush() { Apply(*shared_); }

void Win32ProgressSink::Apply(Shared& shared) {
  Display display;
  {
    std::lock_guard lock(shared.mutex);
    shared.updateQueued = false;
    display = shared.display;
    shared.display.statusChanged = false;
    shared.display.closeChanged = false;
  }
  if (display.statusChanged) shared.window->SetStatus(display.status);
  shared.window->SetRange(display.bar.maximum());
  shared.window->SetPos(display.bar.position());
  if (display.closeChanged) shared.window->EnableClose(display.closeEnabled);
}

void Win32ProgressSink::SetStatus(const std::string& text) {
  Update([&](Display& display) {
    display.status = text;
    display.statusChanged = true;
  });
}

void Win32ProgressSink::SetRange(std::int32_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void Win32ProgressSink::SetRange16(std::uint16_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void Win32ProgressSink::SetPos(std::int32_t position) {
  Update([&](Display& display) { display.bar.SetPos(position); });
}

std::int32_t Win32ProgressSink::GetPos() {
  std::lock_guard lock(shared_->mutex);
  return shared_->display.bar.position();
}

void Win32ProgressSink::SetStep(std::int32_t step) {
  Update([&](Display& display) { display.bar.SetStep(step); });
}

void Win32ProgressSink::StepIt() {
  Update([](Display& display) { display.bar.StepIt(); });
}

void Win32ProgressSink::EnableClose(bool enabled) {
  Update([&](Display& display) {
    display.closeEnabled = enabled;
    display.closeChanged = true;
  });
}

}  // namespace brenmark::win32
