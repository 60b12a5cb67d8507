#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "drive/UserPrompt.h"
#include "shell/win32/UiDispatcher.h"

namespace brenmark::win32 {

// Message boxes for the engine, shown on the user-interface thread whatever
// thread asks (a job waits there until its box is closed).
class Win32UserPrompt final : public UserPrompt {
 public:
  explicit Win32UserPrompt(UiDispatcher& ui) : ui_(ui) {}

  // The window the boxes belong to; null for none.
  void SetOwnerWindow(HWND owner) { owner_ = owner; }
  // From now on no box is shown: messages are dropped and questions answered
  // No (the application is going away without the user).
  void Dismiss() { dismissed_ = true; }
  // The prompt of one job: its boxes are owned by `jobWindow` (shown again
  // first when hidden), so they block that window alone, and are titled
  // `title`; its questions carry the question icon, and Enter answers No
  // where Yes replaces or removes something. Dismissed with this one.
  std::shared_ptr<UserPrompt> ForJob(HWND jobWindow, const std::string& title);

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  void ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  // Two choices: a Yes/No/Cancel box whose Yes and No carry their names.
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override;

 private:
  class JobWindowPrompt;

  int Show(const std::string& title, const std::string& text, UINT style);

  UiDispatcher& ui_;
  std::atomic<HWND> owner_ = nullptr;
  std::atomic<bool> dismissed_ = false;
};

// A message box of the application on the calling thread, titled with the
// application's name unless `title` names another.
int ShowMessageBox(HWND owner, const std::string& text, UINT style, const std::string& title = {});

}  // namespace brenmark::win32
