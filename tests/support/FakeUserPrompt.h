#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "drive/UserPrompt.h"

namespace brenmark::testing {

// Records every message and question; answers questions from a script, No
// once the script is used up.
class FakeUserPrompt final : public UserPrompt {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
  };

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    messages.push_back(Message{text, icon});
  }

  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::deque<bool> answers;
  std::vector<Message> messages;
  std::vector<std::string> questions;
};

}  // namespace brenmark::testing
