#include "shell/cli/TerminalPrompt.h"

#include <cctype>

#include "platform/Terminal.h"
#include "shell/cli/PathLine.h"

namespace brenmark::cli {
namespace {

const char* IconLabel(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return "[Error] ";
    case MessageIcon::Warning:
      return "[Warning] ";
    case MessageIcon::Information:
      return "[Information] ";
    case MessageIcon::Plain:
      break;
  }
  return "";
}

}  // namespace

void TerminalPrompt::ShowMessage(const std::string& text, MessageIcon icon) {
  std::lock_guard lock(mutex_);
  if (beforeOutput_) beforeOutput_();
  platform::PrintText(out_, "%s%s\n", IconLabel(icon), TerminalText(text).c_str());
  std::fflush(out_);
}

bool TerminalPrompt::AskYesNo(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!presetAnswer_ && terminalIn_ != nullptr) return AskOnTerminal(text);
  if (beforeOutput_) beforeOutput_();
  const bool spent = presetAnswer_.value_or(false) && presetYesGiven_ >= kMaxPresetYes;
  const bool answer = presetAnswer_.value_or(false) && !spent;
  if (answer) ++presetYesGiven_;
  platform::PrintText(out_, "[Question] %s [y/n] %s\n", TerminalText(text).c_str(),
                      answer ? "y" : spent ? "n (--yes has answered its 10 questions)" : "n");
  std::fflush(out_);
  return answer;
}

bool TerminalPrompt::AskOnTerminal(const std::string& text) {
  if (beforeOutput_) beforeOutput_();
  platform::PrintText(out_, "[Question] %s [y/n] ", TerminalText(text).c_str());
  std::fflush(out_);
  for (;;) {
    char line[64];
    if (std::fgets(line, sizeof line, terminalIn_) == nullptr) {
      platform::PrintText(out_, "n\n");
      return false;
    }
    const int answer = std::tolower(static_cast<unsigned char>(line[0]));
    if (answer == 'y') return true;
    if (answer == 'n') return false;
    platform::PrintText(out_, "Please answer y or n: ");
    std::fflush(out_);
  }
}

bool TerminalPrompt::AskToStop(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (!presetAnswer_ && terminalIn_ != nullptr) {
    if (AskOnTerminal(text)) return true;
    if (onStopDeclined_) onStopDeclined_();
    return false;
  }
  if (beforeOutput_) beforeOutput_();
  platform::PrintText(out_, "[Question] %s [y/n] y (Ctrl+C)\n", text.c_str());
  std::fflush(out_);
  return true;
}

bool TerminalPrompt::WaitForUser(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (beforeOutput_) beforeOutput_();
  if (beforeWait_) beforeWait_();
  platform::PrintText(out_, "%s\n", TerminalText(text).c_str());
  if (presetAnswer_ || terminalIn_ == nullptr) {
    const bool answer = presetAnswer_.value_or(false);
    platform::PrintText(out_, "%s\n", answer ? "[--yes: going on]" : "[no one to answer: stopping]");
    std::fflush(out_);
    return answer;
  }
  platform::PrintText(out_, "Press Enter to go on, or type n and Enter to stop: ");
  std::fflush(out_);
  char line[64];
  if (std::fgets(line, sizeof line, terminalIn_) == nullptr) return false;
  return std::tolower(static_cast<unsigned char>(line[0])) != 'n';
}

}  // namespace brenmark::cli
