#pragma once

#include <cstdint>
#include <string>

#include "drive/UserPrompt.h"
#include "shell/ProgressSink.h"

namespace brenmark::bench {

// A progress window that shows nothing and keeps only the bar's position.
class SilentProgress final : public ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetRange(std::int32_t) override {}
  void SetRange16(std::uint16_t) override {}
  void SetPos(std::int32_t position) override { position_ = position; }
  std::int32_t GetPos() override { return position_; }
  void SetStep(std::int32_t) override {}
  void StepIt() override {}
  void EnableClose(bool) override {}

 private:
  std::int32_t position_ = 0;
};

// Message boxes counted, questions answered No.
class CountingPrompt final : public UserPrompt {
 public:
  void ShowMessage(const std::string&, MessageIcon) override { ++messages; }
  bool AskYesNo(const std::string&) override { return false; }
  int messages = 0;
};

}  // namespace brenmark::bench
