#pragma once

#include <QString>
#include <QStringList>

#include "drive/UserPrompt.h"
#include "shell/desktop/DesktopTexts.h"

class QWidget;

namespace brenmark::gui {

// The title every message box of the application carries.
inline const QString kApplicationName = QString::fromUtf8(desktoptext::kApplicationName);

// Shows message boxes on the user-interface thread. The application uses real
// boxes; tests put a scripted presenter in their place.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) = 0;
  // A message in a box of its own title (a report about one drive).
  virtual void ShowTitledMessage(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) = 0;
  // A Yes/No question with the error icon; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
  // A question with the error icon, a button for each of `choices` and
  // Cancel: the index of the choice, or -1 for Cancel. Presenters without
  // such boxes ask it as Yes/No, Yes the first choice.
  virtual int AskChoice(QWidget* parent, const QString& text, const QStringList& choices) {
    (void)choices;
    return AskYesNo(parent, text) ? 0 : -1;
  }
  // A Yes/No question with the question icon, for the application's own choices.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;

  // A job's own boxes: over its window and modal to that window alone, so
  // that the other windows and the Jobs menu stay usable; titled with the job.
  virtual void ShowJobMessage(QWidget* jobWindow, const QString& title, const QString& text, MessageIcon icon) {
    ShowTitledMessage(jobWindow, title, text, icon);
  }
  // A job's Yes/No question, with the question icon; Enter says No when `defaultNo`.
  virtual bool AskJobQuestion(QWidget* jobWindow, const QString& title, const QString& text, bool defaultNo) {
    (void)title;
    (void)defaultNo;
    return AskYesNo(jobWindow, text);
  }
  virtual int AskJobChoice(QWidget* jobWindow, const QString& title, const QString& text, const QStringList& choices) {
    (void)title;
    return AskChoice(jobWindow, text, choices);
  }
};

// Modal message boxes titled with the application's name.
class MessageBoxPresenter final : public MessagePresenter {
 public:
  void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) override;
  void ShowTitledMessage(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) override;
  bool AskYesNo(QWidget* parent, const QString& text) override;
  int AskChoice(QWidget* parent, const QString& text, const QStringList& choices) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  void ShowJobMessage(QWidget* jobWindow, const QString& title, const QString& text, MessageIcon icon) override;
  bool AskJobQuestion(QWidget* jobWindow, const QString& title, const QString& text, bool defaultNo) override;
  int AskJobChoice(QWidget* jobWindow, const QString& title, const QString& text, const QStringList& choices) override;
};

}  // namespace brenmark::gui
