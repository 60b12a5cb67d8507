#pragma once

#include <deque>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "drive/UserPrompt.h"

namespace brenmark::test {

// Message boxes written down with their icon, questions written down and
// answered from a script, then with the default answer. Safe to use from a
// job's thread while the test reads it.
class RecordingPrompt final : public UserPrompt {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
    std::string title;  // empty for the application's own title
  };

  explicit RecordingPrompt(bool defaultAnswer = false) : defaultAnswer_(defaultAnswer) {}

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, icon, {}});
  }
  void ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    messages_.push_back({text, icon, title});
  }
  bool AskYesNo(const std::string& text) override {
    std::lock_guard lock(mutex_);
    questions_.push_back(text);
    if (answers_.empty()) return defaultAnswer_;
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  // Questions with choices: answered with `choice` once set, else asked as Yes/No.
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override {
    if (!choice) return UserPrompt::AskChoice(text, choices);
    std::lock_guard lock(mutex_);
    questions_.push_back(text);
    return *choice;
  }
  std::optional<int> choice;  // set before the job runs

  // The answers to the next questions, in order.
  void ScriptAnswers(std::initializer_list<bool> answers) {
    std::lock_guard lock(mutex_);
    answers_.assign(answers);
  }
  void Forget() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    questions_.clear();
  }

  std::vector<Message> messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::vector<std::string> texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& message : messages_) texts.push_back(message.text);
    return texts;
  }
  std::vector<std::string> questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
  }

 private:
  mutable std::mutex mutex_;
  bool defaultAnswer_;
  std::deque<bool> answers_;
  std::vector<Message> messages_;
  std::vector<std::string> questions_;
};

}  // namespace brenmark::test
