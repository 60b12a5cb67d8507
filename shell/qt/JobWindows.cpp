#include "shell/qt/JobWindows.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>

#include "shell/desktop/CascadePlace.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/qt/QtProgressSink.h"

namespace brenmark::gui {

JobWindows::JobWindows(QWidget* owner, UserPrompt& prompt)
    : QObject(owner), owner_(owner), prompt_(prompt), menu_(new QMenu(owner)) {}

JobWindows::~JobWindows() = default;

std::shared_ptr<ProgressSink> JobWindows::OpenJobWindow(const desktop::JobEntry& job) {
  auto* window = new CProgressDlg(owner_);
  window->setWindowIcon(owner_->windowIcon());
  window->NameJob(QString::fromStdString(job.title));
  connect(window, &CProgressDlg::ImageFolderRequested, this, &JobWindows::OpenImageFolder);
  windows_.push_back({window, std::make_shared<QtProgressSink>(window)});
  return windows_.back().progress;
}

void JobWindows::DropJobWindow(const desktop::JobEntry& job) {
  delete windows_[job.index].dialog.data();
  windows_.pop_back();
}

void JobWindows::ShowJobWindow(const desktop::JobEntry& job) {
  CProgressDlg* window = windows_[job.index].dialog;
  Place(*window);
  window->show();
}

void JobWindows::Place(CProgressDlg& window) {
  // The first window opens where the window system puts it.
  const std::size_t count = windows_.size();
  if (count < 2 || !windows_[count - 2].dialog) return;
  const QPoint previous = windows_[count - 2].dialog->pos();
  const QPoint first = windows_.front().dialog ? windows_.front().dialog->pos() : previous;
  window.adjustSize();
  const QScreen* screen = owner_->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
  const desktop::WindowPlace place =
      desktop::CascadePlace({previous.x(), previous.y()}, {first.x(), first.y()}, window.frameSize().width(),
                            window.frameSize().height(), {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
  window.move(place.x, place.y);
}

std::vector<QPointer<CProgressDlg>> JobWindows::windows() const {
  std::vector<QPointer<CProgressDlg>> result;
  for (const Window& window : windows_) result.push_back(window.dialog);
  return result;
}

void JobWindows::ShowJobEnded(const desktop::JobEntry& job) {
  Window& window = windows_[job.index];
  window.progress->Flush();
  if (!window.dialog) return;
  window.dialog->ShowEnding(QString::fromStdString(job.resultLine), QString::fromStdString(job.keptImage.string()));
  ShowAgain(window.dialog);
}

void JobWindows::ListJobs(const std::vector<std::string>& lines) {
  menu_->clear();
  for (std::size_t index = 0; index < lines.size(); ++index) {
    QAction* action = menu_->addAction(QString::fromStdString(lines[index]));
    connect(action, &QAction::triggered, this, [this, index] { ShowAgain(windows_[index].dialog); });
  }
  emit RunningCountChanged(board_ ? board_->RunningCount() : 0);
}

void JobWindows::ShowAgain(CProgressDlg* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

void JobWindows::OpenImageFolder(const QString& image) {
  OpenOnDesktop(QFileInfo(image).absolutePath(), prompt_);
}

void JobWindows::FinishRunningJobs() {
  if (!board_ || board_->RunningCount() == 0) return;
  FinishingJobsDlg finishing;
  finishing_ = &finishing;
  finishing.setWindowIcon(owner_->windowIcon());
  finishing.SetRunningCount(board_->RunningCount());
  connect(this, &JobWindows::RunningCountChanged, &finishing, &FinishingJobsDlg::SetRunningCount);
  connect(&finishing, &FinishingJobsDlg::ShowProgressRequested, this, [this] {
    for (const desktop::JobEntry& job : board_->jobs()) {
      if (job.running) ShowAgain(windows_[job.index].dialog);
    }
  });
  finishing.show();
  board_->WaitForJobs();
  finishing_ = nullptr;
}

}  // namespace brenmark::gui
