#include "shell/desktop/JobProgress.h"

#include "shell/desktop/DesktopTexts.h"

namespace brenmark::desktop {

void JobProgress::SetStatus(const std::string& text) {
  Remember([&] { status_ = text; });
  window_->SetStatus(text);
}

void JobProgress::SetRange(std::int32_t maximum) {
  Remember([&] { bar_.SetRange(maximum); });
  window_->SetRange(maximum);
}

void JobProgress::SetRange16(std::uint16_t maximum) {
  Remember([&] { bar_.SetRange(maximum); });
  window_->SetRange16(maximum);
}

void JobProgress::SetPos(std::int32_t position) {
  Remember([&] { bar_.SetPos(position); });
  window_->SetPos(position);
}

void JobProgress::SetStep(std::int32_t step) {
  Remember([&] { bar_.SetStep(step); });
  window_->SetStep(step);
}

void JobProgress::StepIt() {
  Remember([&] { bar_.StepIt(); });
  window_->StepIt();
}

void JobProgress::ShowFailed() {
  std::string status;
  bool full = false;
  Remember([&] {
    status = status_;
    full = bar_.maximum() > 0 && bar_.position() >= bar_.maximum();
  });
  if (const auto stopped = desktoptext::StoppedStatusText(status)) SetStatus(*stopped);
  if (full) SetPos(0);
}

}  // namespace brenmark::desktop
