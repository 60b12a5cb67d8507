#pragma once

#include <string>

#include "drive/UserPrompt.h"

namespace brenmark::desktop {

// A prompt whose messages all open under one window title (a report and its
// drive), passed on to the front end's prompt; questions stay as they are.
class TitledPrompt final : public UserPrompt {
 public:
  TitledPrompt(UserPrompt& prompt, std::string title) : prompt_(prompt), title_(std::move(title)) {}

  void ShowMessage(const std::string& text, MessageIcon icon) override { prompt_.ShowTitledMessage(title_, text, icon); }
  void ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
    prompt_.ShowTitledMessage(title, text, icon);
  }
  bool AskYesNo(const std::string& text) override { return prompt_.AskYesNo(text); }
  bool AskBeforeReplacing(const std::string& text) override { return prompt_.AskBeforeReplacing(text); }
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override {
    return prompt_.AskChoice(text, choices);
  }
  bool WaitForUser(const std::string& text) override { return prompt_.WaitForUser(text); }

 private:
  UserPrompt& prompt_;
  std::string title_;
};

}  // namespace brenmark::desktop
