#include "shell/qt/QtUserPrompt.h"

#include "shell/qt/UiThread.h"

namespace brenmark::gui {

QtUserPrompt::QtUserPrompt(MessagePresenter& presenter, QObject* parent)
    : QObject(parent), presenter_(presenter) {}

class QtUserPrompt::JobWindowPrompt final : public UserPrompt {
 public:
  JobWindowPrompt(QtUserPrompt& prompt, QWidget* window, const std::string& title)
      : prompt_(prompt), window_(window), title_(QString::fromStdString(title)) {}

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    const QString message = QString::fromStdString(text);
    RunOnUiThread(&prompt_, [&] {
      if (prompt_.dismissed_) return;
      BringWindowBack();
      prompt_.presenter_.ShowJobMessage(window_, title_, message, icon);
    });
  }
  bool AskYesNo(const std::string& text) override { return Ask(text, false); }
  bool AskBeforeReplacing(const std::string& text) override { return Ask(text, true); }
  int AskChoice(const std::string& text, const std::vector<std::string>& choices) override {
    const QString question = QString::fromStdString(text);
    QStringList buttons;
    for (const std::string& choice : choices) buttons << QString::fromStdString(choice);
    return RunOnUiThread(&prompt_, [&] {
      if (prompt_.dismissed_) return -1;
      BringWindowBack();
      return prompt_.presenter_.AskJobChoice(window_, title_, question, buttons);
    });
  }

 private:
  bool Ask(const std::string& text, bool defaultNo) {
    const QString question = QString::fromStdString(text);
    return RunOnUiThread(&prompt_, [&] {
      if (prompt_.dismissed_) return false;
      BringWindowBack();
      return prompt_.presenter_.AskJobQuestion(window_, title_, question, defaultNo);
    });
  }
  // A box belongs to a window the user can see: a hidden job window comes back.
  void BringWindowBack() {
    if (window_ && !window_->isVisible()) window_->show();
  }

  QtUserPrompt& prompt_;
  QPointer<QWidget> window_;
  QString title_;
};

std::shared_ptr<UserPrompt> QtUserPrompt::ForJob(QWidget* jobWindow, const std::string& title) {
  return std::make_shared<JobWindowPrompt>(*this, jobWindow, title);
}

void QtUserPrompt::ShowMessage(const std::string& text, MessageIcon icon) {
  const QString message = QString::fromStdString(text);
  RunOnUiThread(this, [&] {
    if (!dismissed_) presenter_.ShowMessage(owner_, message, icon);
  });
}

void QtUserPrompt::ShowTitledMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  const QString boxTitle = QString::fromStdString(title);
  const QString message = QString::fromStdString(text);
  RunOnUiThread(this, [&] {
    if (!dismissed_) presenter_.ShowTitledMessage(owner_, boxTitle, message, icon);
  });
}

bool QtUserPrompt::AskYesNo(const std::string& text) {
  const QString question = QString::fromStdString(text);
  return RunOnUiThread(this, [&] { return !dismissed_ && presenter_.AskYesNo(owner_, question); });
}

int QtUserPrompt::AskChoice(const std::string& text, const std::vector<std::string>& choices) {
  const QString question = QString::fromStdString(text);
  QStringList buttons;
  for (const std::string& choice : choices) buttons << QString::fromStdString(choice);
  return RunOnUiThread(this, [&] { return dismissed_ ? -1 : presenter_.AskChoice(owner_, question, buttons); });
}

}  // namespace brenmark::gui
