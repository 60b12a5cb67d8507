#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QThread>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "shell/qt/FileBrowser.h"
#include "shell/qt/MessagePresenter.h"

namespace brenmark::gui::test {

// Stands in for the message boxes: writes down what would be shown, on which
// thread, and gives scripted answers (No and "stay" unless told otherwise).
class ScriptedPresenter final : public MessagePresenter {
 public:
  struct Shown {
    QString text;
    MessageIcon icon;
    bool onUiThread;
    bool question;
    QString title;  // empty for the application's own title
  };

  void ShowMessage(QWidget*, const QString& text, MessageIcon icon) override {
    shown.push_back({text, icon, OnUiThread(), false, {}});
    if (whileShown) whileShown();
  }
  void ShowTitledMessage(QWidget*, const QString& title, const QString& text, MessageIcon icon) override {
    shown.push_back({text, icon, OnUiThread(), false, title});
    if (whileShown) whileShown();
  }
  bool AskYesNo(QWidget*, const QString& text) override {
    shown.push_back({text, MessageIcon::Error, OnUiThread(), true, {}});
    if (whileShown) whileShown();
    return answerYes;
  }
  bool Confirm(QWidget*, const QString& text) override {
    confirmations.push_back(text);
    return confirmLeaving;
  }

  std::vector<QString> texts() const {
    std::vector<QString> result;
    for (const Shown& entry : shown) result.push_back(entry.text);
    return result;
  }

  std::vector<Shown> shown;
  std::vector<QString> confirmations;
  bool answerYes = false;
  bool confirmLeaving = false;
  // Runs while a box is "open", as a user looking at the screen then.
  std::function<void()> whileShown;

 private:
  static bool OnUiThread() { return QThread::currentThread() == qApp->thread(); }
};

// Stands in for the folder and file dialogs: answers from queues, where
// nullopt is a cancelled dialog.
class ScriptedFileBrowser final : public FileBrowser {
 public:
  std::optional<QString> ChooseFolder(QWidget*, const QString& title, const QString& startFolder) override {
    titles.push_back(title);
    starts.push_back(startFolder);
    return Next();
  }
  std::optional<QString> ChooseDiscImage(QWidget*) override {
    titles.push_back(QStringLiteral("image"));
    return Next();
  }

  std::optional<QStringList> ChooseFiles(QWidget*, const QString& filter, const QString& startFolder) override {
    titles.push_back(filter);
    starts.push_back(startFolder);
    std::optional<QStringList> answer;
    if (!fileAnswers.empty()) {
      answer.swap(fileAnswers.front());
      fileAnswers.pop_front();
    }
    return answer;
  }

  std::deque<std::optional<QString>> answers;
  std::deque<std::optional<QStringList>> fileAnswers;
  std::vector<QString> titles;
  // The folders the folder and file dialogs opened in.
  std::vector<QString> starts;

 private:
  std::optional<QString> Next() {
    std::optional<QString> answer;
    if (!answers.empty()) {
      answer.swap(answers.front());
      answers.pop_front();
    }
    return answer;
  }
};

}  // namespace brenmark::gui::test
