#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>

#include "drive/UserPrompt.h"
#include "shell/qt/MessagePresenter.h"

namespace brenmark::gui {

// The user prompt of the desktop application. Callable from any thread: a job
// thread waits while its box is shown on the user-interface thread. Create it on
// the user-interface thread.
class QtUserPrompt final : public QObject, public UserPrompt {
  Q_OBJECT

 public:
  explicit QtUserPrompt(MessagePresenter& presenter, QObject* parent = nullptr);

  // The window that owns the boxes; none until the main window exists.
  void SetOwnerWindow(QWidget* owner) { owner_ = owner; }

  // From now on nothing is shown: messages are dropped and questions answered
  // No, so that jobs still running when the user has left come to an end.
  void Dismiss() { dismissed_ = true; }

  // The prompt of one job: its boxes open over `jobWindow` (shown again first
  // when hidden), modal to it alone and titled `title`; its questions carry
  // the question icon. Dismissed with this one.
  std::shared_ptr<UserPrompt> ForJob(QWidget* jobWindow, const std::string& title);

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  void ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override;

 private:
  class JobWindowPrompt;

  MessagePresenter& presenter_;
  QPointer<QWidget> owner_;
  std::atomic<bool> dismissed_ = false;
};

}  // namespace brenmark::gui
