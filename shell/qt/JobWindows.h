#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "jobs/Job.h"

class QAction;
class QMenu;
class QWidget;

namespace brenmark {
class VirtualTrays;
}

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::gui {

class CProgressDlg;
class FinishingJobsDlg;

// Starts jobs for the main window, each with a progress window of its own,
// whatever the job: the window names the job and its drive, opens a little
// below and to the right of the previous one, is listed in the Jobs menu (from
// which a hidden one comes back), and when its job ends it comes back by
// itself, saying how the job ended and which disc image it left.
//
// Progress windows are owned by `owner` and never deleted before it, so a job
// can always write to its window.
class JobWindows final : public QObject {
  Q_OBJECT

 public:
  JobWindows(QWidget* owner, JobRunner& jobs, UserPrompt& prompt, VirtualTrays& trays);
  ~JobWindows() override;

  // Starts `procedure` on `inputs` as "<jobName> on <driveName>". False when
  // it did not start (its drive is busy; the user has been told).
  bool Start(JobProcedure procedure, JobInputs inputs, const QString& jobName,
             const QString& driveName, virtualdrive::VirtualRecorder* recorder);

  QMenu* menu() const { return menu_; }
  // The progress windows of the jobs started so far, oldest first.
  std::vector<QPointer<CProgressDlg>> windows() const;
  int RunningCount() const;

  // After the user has left: a window says that Brenmark is finishing its
  // jobs, and this returns once the last one has ended.
  void FinishRunningJobs();
  // Serves the user-interface thread's events until every job has ended.
  void WaitForJobs();
  // The finishing window while it is shown, else null.
  FinishingJobsDlg* finishingWindow() const { return finishing_; }

  // The ending line of a job with `result` (0: it did everything it was asked).
  static QString OutcomeText(JobEnd result);

 signals:
  void RunningCountChanged(int count);

 private:
  struct Entry;

  void Place(CProgressDlg& window);
  void JobEnded(Entry& entry, JobEnd result);
  void ShowAgain(CProgressDlg* window);
  void OpenImageFolder(const QString& image);

  QWidget* owner_;
  JobRunner& jobs_;
  UserPrompt& prompt_;
  VirtualTrays& trays_;
  QMenu* menu_;
  std::vector<std::unique_ptr<Entry>> entries_;
  FinishingJobsDlg* finishing_ = nullptr;
};

}  // namespace brenmark::gui
