#pragma once

#include <string>
#include <vector>

namespace brenmark {

// The icon a message box carries.
enum class MessageIcon { Plain, Error, Warning, Information };

// How the engine talks to the user: a message with an OK button, or a Yes/No
// question. Front ends show it and block the caller until it is answered; the
// caller may be a job thread or the user-interface thread.
class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // A Yes/No question with the error icon; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // A Yes/No question whose Yes replaces or removes something (files, entries
  // of a burn): front ends with a default answer make it No.
  virtual bool AskBeforeReplacing(const std::string& text) { return AskYesNo(text); }
  // A question with the error icon answered by one of `choices` (its buttons,
  // in order) or cancelled: the index of the choice, or -1 when cancelled.
  // Prompts without such questions ask it as Yes/No, Yes the first choice.
  virtual int AskChoice(const std::string& text, const std::vector<std::string>& choices) {
    (void)choices;
    return AskYesNo(text) ? 0 : -1;
  }
  // Asks whether to stop the job the user asked to stop, saying what becomes
  // of the disc; true to stop. Prompts with nobody to ask may take the
  // request itself as the answer.
  virtual bool AskToStop(const std::string& text) { return AskYesNo(text); }
  // A message in a window of its own title (a report about one drive);
  // prompts without titled windows show it as any other message.
  virtual void ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) {
    (void)title;
    ShowMessage(text, icon);
  }
  // A plain message the user closes once they have done what it asks (such as
  // inserting another disc); false when nobody can. Where a message already
  // waits for its OK, that is all it takes.
  virtual bool WaitForUser(const std::string& text) {
    ShowMessage(text, MessageIcon::Plain);
    return true;
  }
};

}  // namespace brenmark
