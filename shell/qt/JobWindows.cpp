#include "shell/qt/JobWindows.h"

#include <QAction>
#include <QMenu>
#include <QScreen>

#include <algorithm>

#include "shell/desktop/CascadePlace.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/qt/QtProgressSink.h"
#include "shell/qt/QtUserPrompt.h"

namespace brenmark::gui {

JobWindows::JobWindows(QWidget* owner, QtUserPrompt& prompt)
    : QObject(owner), owner_(owner), prompt_(prompt), menu_(new QMenu(owner)) {}

JobWindows::~JobWindows() {
  for (Window& window : windows_) delete window.dialog.data();
}

std::shared_ptr<ProgressSink> JobWindows::OpenJobWindow(const desktop::JobEntry& job) {
  auto* window = new CProgressDlg();
  window->setWindowIcon(owner_->windowIcon());
  window->NameJob(QString::fromStdString(job.title));
  connect(window, &CProgressDlg::FolderRequested, this, &JobWindows::OpenFolder);
  connect(window, &CProgressDlg::StopRequested, this, [this, index = job.index] {
    if (board_) board_->Stop(index);
  });
  windows_.push_back({window, std::make_shared<QtProgressSink>(window)});
  return windows_.back().progress;
}

std::shared_ptr<UserPrompt> JobWindows::JobPrompt(const desktop::JobEntry& job) {
  return prompt_.ForJob(windows_[job.index].dialog, job.title);
}

void JobWindows::DropJobWindow(const desktop::JobEntry& job) {
  delete windows_[job.index].dialog.data();
  windows_.pop_back();
}

void JobWindows::ShowJobWindow(const desktop::JobEntry& job) {
  Window& entry = windows_[job.index];
  entry.slot = FreeSlot();
  Place(*entry.dialog, entry.slot);
  entry.dialog->show();
}

int JobWindows::FreeSlot() const {
  std::vector<int> taken;
  for (const Window& window : windows_) {
    if (window.dialog && window.dialog->isVisible()) taken.push_back(window.slot);
  }
  return desktop::LowestFreeSlot(taken);
}

void JobWindows::Place(CProgressDlg& window, int slot) {
  // Beside the main window, within the available area of its screen.
  window.adjustSize();
  const QScreen* screen = owner_->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
  const QRect main = owner_->frameGeometry();
  // Before it is first shown a window has no frame yet: it gets one like the main window's.
  const QSize frame = window.frameSize() == window.size()
                          ? window.size() + owner_->frameGeometry().size() - owner_->size()
                          : window.frameSize();
  const desktop::WindowPlace place =
      desktop::JobWindowPlace(slot, {main.left(), main.top(), main.right() + 1, main.bottom() + 1}, frame.width(),
                              frame.height(), {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
  window.move(place.x, place.y);
}

void JobWindows::KeepWithinScreen(CProgressDlg& window) {
  // The ending line makes the window larger: it is moved back into the area
  // where it would now leave it.
  window.adjustSize();
  const QScreen* screen = window.screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect frame = window.frameGeometry();
  const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
  const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
  window.move(window.pos() + QPoint(x - frame.left(), y - frame.top()));
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
  window.dialog->ShowEnding(QString::fromStdString(job.resultLine), QString::fromStdString(job.folderToOpen.string()));
  KeepWithinScreen(*window.dialog);
  ShowAgain(window.dialog);
}

bool JobWindows::JobWindowShown(const desktop::JobEntry& job) const {
  const QPointer<CProgressDlg>& window = windows_[job.index].dialog;
  return window && window->isVisible();
}

void JobWindows::CloseJobWindow(const desktop::JobEntry& job) { delete windows_[job.index].dialog.data(); }

void JobWindows::ListJobs(const desktop::JobMenu& jobMenu) {
  menu_->clear();
  for (std::size_t line = 0; line < jobMenu.lines.size(); ++line) {
    QAction* action = menu_->addAction(QString::fromStdString(jobMenu.lines[line]));
    connect(action, &QAction::triggered, this, [this, job = jobMenu.jobs[line]] { ShowAgain(windows_[job].dialog); });
  }
  menu_->addSeparator();
  QAction* clear = menu_->addAction(QString::fromUtf8(desktoptext::kClearEndedJobs));
  clear->setEnabled(jobMenu.endedListed);
  connect(clear, &QAction::triggered, this, &JobWindows::ClearEndedRequested);
  emit RunningCountChanged(board_ ? board_->RunningCount() : 0);
}

void JobWindows::ShowAgain(CProgressDlg* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

void JobWindows::OpenFolder(const QString& folder) {
  OpenOnDesktop(folder, prompt_);
}

void JobWindows::FinishRunningJobs(desktop::JobEndNotifier& notifier) {
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
  board_->WaitForJobs(notifier);
  finishing_ = nullptr;
}

}  // namespace brenmark::gui
