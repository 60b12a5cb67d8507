#include "shell/qt/MessagePresenter.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace brenmark::gui {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Plain:
      break;
  }
  return QMessageBox::NoIcon;
}

bool AskWithIcon(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                 QMessageBox::StandardButton defaultAnswer, const QString& title = kApplicationName,
                 Qt::WindowModality modality = Qt::ApplicationModal) {
  QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultAnswer);
  box.setWindowModality(modality);
  return box.exec() == QMessageBox::Yes;
}

int AskForChoice(QWidget* parent, const QString& title, const QString& text, const QStringList& choices,
                 QMessageBox::Icon icon, Qt::WindowModality modality) {
  QMessageBox box(icon, title, text, QMessageBox::Cancel, parent);
  box.setWindowModality(modality);
  QList<QAbstractButton*> buttons;
  for (const QString& choice : choices) buttons << box.addButton(choice, QMessageBox::AcceptRole);
  // Enter takes the first choice; Escape cancels.
  if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

// A job's box blocks its own window only; without a window, the application.
Qt::WindowModality JobModality(QWidget* jobWindow) { return jobWindow ? Qt::WindowModal : Qt::ApplicationModal; }

}  // namespace

void MessageBoxPresenter::ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
  ShowTitledMessage(parent, kApplicationName, text, icon);
}

void MessageBoxPresenter::ShowTitledMessage(QWidget* parent, const QString& title, const QString& text,
                                            MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Ok, parent);
  box.exec();
}

bool MessageBoxPresenter::AskYesNo(QWidget* parent, const QString& text) {
  return AskWithIcon(parent, text, QMessageBox::Critical, QMessageBox::Yes);
}

int MessageBoxPresenter::AskChoice(QWidget* parent, const QString& text, const QStringList& choices) {
  return AskForChoice(parent, kApplicationName, text, choices, QMessageBox::Critical, Qt::ApplicationModal);
}

int MessageBoxPresenter::AskJobChoice(QWidget* jobWindow, const QString& title, const QString& text,
                                      const QStringList& choices) {
  return AskForChoice(jobWindow, title, text, choices, QMessageBox::Question, JobModality(jobWindow));
}

bool MessageBoxPresenter::Confirm(QWidget* parent, const QString& text) {
  // The application's own questions guard a step the user may regret: Enter says No.
  return AskWithIcon(parent, text, QMessageBox::Question, QMessageBox::No);
}

void MessageBoxPresenter::ShowJobMessage(QWidget* jobWindow, const QString& title, const QString& text,
                                         MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Ok, jobWindow);
  box.setWindowModality(JobModality(jobWindow));
  box.exec();
}

bool MessageBoxPresenter::AskJobQuestion(QWidget* jobWindow, const QString& title, const QString& text,
                                         bool defaultNo) {
  return AskWithIcon(jobWindow, text, QMessageBox::Question, defaultNo ? QMessageBox::No : QMessageBox::Yes, title,
                     JobModality(jobWindow));
}

}  // namespace brenmark::gui
