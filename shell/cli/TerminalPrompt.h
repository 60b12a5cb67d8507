#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "drive/UserPrompt.h"

namespace brenmark::cli {

// Message boxes and Yes/No questions on the command line. Messages are printed;
// a question, and a message that waits for the user to act, are answered by
// the preset answer (--yes / --no) when there is one, else asked on the
// terminal, else answered No. A preset Yes answers at most kMaxPresetYes
// questions in one run and No after them, so that a write that always fails
// is not retried without end.
class TerminalPrompt final : public UserPrompt {
 public:
  static constexpr int kMaxPresetYes = 10;

  TerminalPrompt(std::FILE* out, std::FILE* terminalIn, std::optional<bool> presetAnswer)
      : out_(out), terminalIn_(terminalIn), presetAnswer_(presetAnswer) {}

  // Runs before anything is printed, so that a progress line can be ended first.
  void SetBeforeOutput(std::function<void()> beforeOutput) { beforeOutput_ = std::move(beforeOutput); }
  // Runs before the user is asked to act on the medium (WaitForUser).
  void SetBeforeWait(std::function<void()> beforeWait) { beforeWait_ = std::move(beforeWait); }
  // Runs when the user answers a stop request by going on.
  void SetOnStopDeclined(std::function<void()> onStopDeclined) { onStopDeclined_ = std::move(onStopDeclined); }

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  // Asked on the terminal like any question; with a preset answer, or with no
  // terminal, the Ctrl+C that asked to stop is taken as the answer.
  bool AskToStop(const std::string& text) override;
  bool WaitForUser(const std::string& text) override;

 private:
  // Asks on the terminal until answered y or n; No when its input ends. With the lock held.
  bool AskOnTerminal(const std::string& text);

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* terminalIn_;  // null when there is no terminal to ask on
  std::optional<bool> presetAnswer_;
  int presetYesGiven_ = 0;
  std::function<void()> beforeOutput_;
  std::function<void()> beforeWait_;
  std::function<void()> onStopDeclined_;
};

}  // namespace brenmark::cli
