#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

#include "jobs/ProgressBarState.h"

namespace Ui {
class CProgressDlg;
}

namespace brenmark::gui {

// The modeless progress window of one job: a status line, a progress bar,
// Stop while the job runs and Close, and once the job has ended a line that says how it ended (with the
// disc image it left, if any). Close and the close box only hide it; it lives
// as long as the main window, so its job can always write to it.
class CProgressDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CProgressDlg(QWidget* parent = nullptr);
  ~CProgressDlg() override;

  // "Current Progress - <job>"; the plain title without a job.
  void NameJob(const QString& job);

  void SetStatus(const QString& text);
  QString Status() const;
  void SetRange(std::int32_t maximum);
  void SetPos(std::int32_t position);
  std::int32_t GetPos() const { return bar_.position(); }
  std::int32_t Maximum() const { return bar_.maximum(); }
  void SetStep(std::int32_t step) { bar_.SetStep(step); }
  void StepIt();
  void EnableClose(bool enabled);
  bool IsCloseEnabled() const;
  // The job's notices, one a line, shown below the bar once there are any.
  void SetNotices(const QString& text);
  QString Notices() const;

  // The job has ended: `line` says how (and where its disc is kept), `folder`
  // (when not empty) is what Open Folder opens: the kept image's folder, or
  // the folder a finished grab wrote.
  void ShowEnding(const QString& line, const QString& folder);
  QString Outcome() const;
  QString Folder() const { return folder_; }
  bool IsStopOffered() const;

 signals:
  // The user pressed Stop.
  void StopRequested();
  // The user asked to see the job's folder.
  void FolderRequested(const QString& folder);

 private:
  void ShowPosition();

  std::unique_ptr<Ui::CProgressDlg> ui_;
  ProgressBarState bar_;
  QString folder_;
};

}  // namespace brenmark::gui
