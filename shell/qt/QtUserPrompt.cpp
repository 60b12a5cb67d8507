#include "shell/qt/QtUserPrompt.h"

#include "shell/qt/UiThread.h"

namespace brenmark::gui {

QtUserPrompt::QtUserPrompt(MessagePresenter& presenter, QObject* parent)
    : QObject(parent), presenter_(presenter) {}

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
