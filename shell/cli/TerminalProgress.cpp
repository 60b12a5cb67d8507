#include "shell/cli/TerminalProgress.h"

#include "platform/Terminal.h"
#include "shell/cli/PathLine.h"

namespace brenmark::cli {
namespace {
constexpr int kBarWidth = 30;
}

void TerminalProgress::SetStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  // A job may set the status it already shows (a second stage of the same
  // name, a failure told again after the eject): one line says it.
  const bool repeated = text == status_;
  status_ = text;
  if (drawBar_) {
    drawnPercent_ = -1;
    Redraw();
  } else if (!repeated) {
    platform::PrintText(out_, "%s\n", TerminalText(text).c_str());
    std::fflush(out_);
  }
}

void TerminalProgress::SetRange(std::int32_t maximum) {
  std::lock_guard lock(mutex_);
  bar_.SetRange(maximum);
  Redraw();
}

void TerminalProgress::SetRange16(std::uint16_t maximum) {
  std::lock_guard lock(mutex_);
  bar_.SetRange(maximum);
  Redraw();
}

void TerminalProgress::SetPos(std::int32_t position) {
  std::lock_guard lock(mutex_);
  bar_.SetPos(position);
  Redraw();
}

std::int32_t TerminalProgress::GetPos() {
  std::lock_guard lock(mutex_);
  return bar_.position();
}

void TerminalProgress::SetStep(std::int32_t step) {
  std::lock_guard lock(mutex_);
  bar_.SetStep(step);
}

void TerminalProgress::StepIt() {
  std::lock_guard lock(mutex_);
  bar_.StepIt();
  Redraw();
}

void TerminalProgress::EnableClose(bool) {}

void TerminalProgress::BreakLine() {
  std::lock_guard lock(mutex_);
  if (lineOpen_) {
    std::fputc('\n', out_);
    std::fflush(out_);
    lineOpen_ = false;
    drawnPercent_ = -1;
  }
}

void TerminalProgress::Redraw() {
  if (!drawBar_) return;
  const int percent = bar_.Percent();
  // Writing a sector at a time would otherwise redraw the line thousands of times.
  if (percent == drawnPercent_) return;
  drawnPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  platform::PrintText(out_, "\r\033[K[%s] %3d%%  %s", bar.c_str(), percent, TerminalText(status_).c_str());
  std::fflush(out_);
  lineOpen_ = true;
}

}  // namespace brenmark::cli
