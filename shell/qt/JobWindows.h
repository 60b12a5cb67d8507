#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

#include "drive/UserPrompt.h"
#include "shell/desktop/JobBoard.h"
#include "shell/qt/DesktopNotifier.h"

class QMenu;
class QWidget;

namespace brenmark::gui {

class CProgressDlg;
class FinishingJobsDlg;
class QtProgressSink;
class QtUserPrompt;

// Draws the job board: a progress window per job that names the job and its
// drive and opens beside the main window, covering none of it while the
// screen has room (a slot freed by a hidden or cleared window is reused), the
// Jobs menu (from which a hidden window comes back), and each window back by
// itself when its job ends, with the line that says how it ended.
//
// Progress windows are top-level windows of their own, so that the main window
// can be raised above them; this deletes them only once their job has ended
// and been cleared (or when it goes, after every job), so a job can always
// write to its window.
class JobWindows final : public QObject, public desktop::JobBoardView {
  Q_OBJECT

 public:
  JobWindows(QWidget* owner, QtUserPrompt& prompt);
  ~JobWindows() override;

  // The board whose jobs this draws; set once, before the first job.
  void Attach(desktop::JobBoard& board) { board_ = &board; }

  QMenu* menu() const { return menu_; }
  // The progress windows of the jobs started so far, oldest first.
  std::vector<QPointer<CProgressDlg>> windows() const;

  // After the user has left: a window says that Brenmark is finishing its
  // jobs, each job's end is told through `notifier`, and this returns once
  // the last one has been told.
  void FinishRunningJobs(desktop::JobEndNotifier& notifier);
  // The finishing window while it is shown, else null.
  FinishingJobsDlg* finishingWindow() const { return finishing_; }

  std::shared_ptr<ProgressSink> OpenJobWindow(const desktop::JobEntry& job) override;
  std::shared_ptr<UserPrompt> JobPrompt(const desktop::JobEntry& job) override;
  void DropJobWindow(const desktop::JobEntry& job) override;
  void ShowJobWindow(const desktop::JobEntry& job) override;
  void ShowJobEnded(const desktop::JobEntry& job) override;
  bool JobWindowShown(const desktop::JobEntry& job) const override;
  desktop::JobEndNotifier* HiddenJobNotifier() override { return &notifier_; }
  void CloseJobWindow(const desktop::JobEntry& job) override;
  void ListJobs(const desktop::JobMenu& jobMenu) override;

 signals:
  void RunningCountChanged(int count);
  // The Jobs menu's "Clear Ended Jobs".
  void ClearEndedRequested();

 private:
  struct Window {
    QPointer<CProgressDlg> dialog;
    std::shared_ptr<QtProgressSink> progress;
    int slot = -1;  // its place in the cascade beside the main window
  };

  void Place(CProgressDlg& window, int slot);
  // The lowest slot no shown window of another job holds.
  int FreeSlot() const;
  static void KeepWithinScreen(CProgressDlg& window);
  static void ShowAgain(CProgressDlg* window);
  void OpenFolder(const QString& folder);

  QWidget* owner_;
  QtUserPrompt& prompt_;
  desktop::JobBoard* board_ = nullptr;
  QMenu* menu_;
  std::vector<Window> windows_;
  FinishingJobsDlg* finishing_ = nullptr;
  DesktopNotifier notifier_;
};

}  // namespace brenmark::gui
