#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "jobs/ProgressBarState.h"
#include "jobs/ProgressSink.h"

namespace brenmark::cli {

// The progress window of the command line: on a terminal one redrawn line with
// the status text and a bar, otherwise one plain line per status text (a
// status set again as it stands is not repeated).
class TerminalProgress final : public ProgressSink {
 public:
  TerminalProgress(std::FILE* out, bool drawBar) : out_(out), drawBar_(drawBar) {}

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override;
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override;

  // Ends the bar's line so that following output starts on a line of its own.
  void BreakLine();

 private:
  void Redraw();

  std::mutex mutex_;
  std::FILE* out_;
  bool drawBar_;
  bool lineOpen_ = false;
  int drawnPercent_ = -1;
  std::string status_;
  ProgressBarState bar_;
};

}  // namespace brenmark::cli
