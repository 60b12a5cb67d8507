#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QThread>

#include <deque>
#include <functional>
#include <optional>
#include <utility>
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
    bool defaultNo;  // a question whose Enter says No
  };

  void ShowMessage(QWidget*, const QString& text, MessageIcon icon) override { Show(text, icon, false); }
  void ShowTitledMessage(QWidget*, const QString& title, const QString& text, MessageIcon icon) override {
    Show(text, icon, false, title);
  }
  bool AskYesNo(QWidget*, const QString& text) override {
    Show(text, MessageIcon::Error, true);
    return answerYes;
  }
  // A job's question: its title and default answer are written down.
  bool AskJobQuestion(QWidget*, const QString& title, const QString& text, bool defaultNo) override {
    Show(text, MessageIcon::Plain, true, title, defaultNo);
    return answerYes;
  }
  bool Confirm(QWidget*, const QString& text) override {
    confirmations.push_back(text);
    return confirmLeaving;
  }

  std::vector<Shown> shown;
  std::vector<QString> confirmations;
  bool answerYes = false;
  bool confirmLeaving = false;
  // Runs while a box is "open", as a user looking at the screen then.
  std::function<void()> whileShown;

 private:
  void Show(const QString& text, MessageIcon icon, bool question, const QString& title = {}, bool defaultNo = false) {
    shown.push_back({text, icon, QThread::currentThread() == qApp->thread(), question, title, defaultNo});
    if (whileShown) whileShown();
  }
};

// Stands in for the folder and file dialogs: answers from queues, where
// nullopt is a cancelled dialog.
class ScriptedFileBrowser final : public FileBrowser {
 public:
  std::optional<QString> ChooseFolder(QWidget*, const QString& title, const QString& startFolder) override {
    titles.push_back(title);
    starts.push_back(startFolder);
    return Next(answers);
  }
  std::optional<QString> ChooseDiscImage(QWidget*) override {
    titles.push_back(QStringLiteral("image"));
    return Next(answers);
  }
  std::optional<QStringList> ChooseFiles(QWidget*, const QString& filter, const QString& startFolder) override {
    titles.push_back(filter);
    starts.push_back(startFolder);
    return Next(fileAnswers);
  }

  std::deque<std::optional<QString>> answers;
  std::deque<std::optional<QStringList>> fileAnswers;
  std::vector<QString> titles;
  // The folders the folder and file dialogs opened in.
  std::vector<QString> starts;

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& queue) {
    std::optional<T> answer;  // swapped, not moved: GCC sees a moved QString as maybe uninitialized
    if (!queue.empty()) {
      answer.swap(queue.front());
      queue.pop_front();
    }
    return answer;
  }
};

}  // namespace brenmark::gui::test
