#include "shell/qt/JobWindows.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>

#include "shell/DesktopTexts.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/qt/QtProgressSink.h"
#include "shell/VirtualTrays.h"

namespace brenmark::gui {

namespace {

// How far each new progress window opens from the previous one: about the
// height of a title bar, so that every title stays readable.
constexpr int kCascadeStep = 28;

}  // namespace

struct JobWindows::Entry {
  QPointer<CProgressDlg> window;
  std::shared_ptr<QtProgressSink> progress;
  QAction* action = nullptr;
  QString title;
  bool running = true;
  virtualdrive::VirtualRecorder* recorder = nullptr;
  std::uint64_t imageSerialAtStart = 0;
};

JobWindows::JobWindows(QWidget* owner, JobRunner& jobs, UserPrompt& prompt, VirtualTrays& trays)
    : QObject(owner), owner_(owner), jobs_(jobs), prompt_(prompt), trays_(trays),
      menu_(new QMenu(owner)) {}

JobWindows::~JobWindows() = default;

QString JobWindows::OutcomeText(JobEnd result) {
  return QString::fromStdString(desktoptext::OutcomeText(result));
}

bool JobWindows::Start(JobProcedure procedure, JobInputs inputs, const QString& jobName,
                       const QString& driveName, virtualdrive::VirtualRecorder* recorder) {
  auto entry = std::make_unique<Entry>();
  auto* window = new CProgressDlg(owner_);
  window->setWindowIcon(owner_->windowIcon());
  window->NameJob(jobName, driveName);
  entry->window = window;
  entry->title = QStringLiteral("%1 on %2").arg(jobName, driveName);
  entry->recorder = recorder;
  if (recorder) entry->imageSerialAtStart = trays_.LastFinishedImage(recorder).serial;

  // The job reports its end from its own thread; the window learns of it on
  // this one, after every progress update the job made before.
  Entry* ended = entry.get();
  entry->progress = std::make_shared<QtProgressSink>(window);
  auto job = jobs_.Start(std::move(procedure), std::move(inputs), entry->progress,
                         [this, ended](JobEnd result) {
                           QMetaObject::invokeMethod(this, [this, ended, result] { JobEnded(*ended, result); },
                                                     Qt::QueuedConnection);
                         });
  if (!job) {
    delete window;
    return false;
  }
  // The window is shown only once the job has its drive.
  Place(*window);
  window->show();
  connect(window, &CProgressDlg::ImageFolderRequested, this, &JobWindows::OpenImageFolder);

  entry->action = menu_->addAction(entry->title + QStringLiteral(" - running"));
  connect(entry->action, &QAction::triggered, this, [this, window] { ShowAgain(window); });
  entries_.push_back(std::move(entry));
  emit RunningCountChanged(RunningCount());
  return true;
}

void JobWindows::Place(CProgressDlg& window) {
  // The first window opens where the window system puts it; each later one a
  // step below and to the right of the one before, back at the first window's
  // place once that would leave the screen.
  if (entries_.empty() || !entries_.back()->window) return;
  const QPoint previous = entries_.back()->window->pos();
  QPoint next = previous + QPoint(kCascadeStep, kCascadeStep);
  window.adjustSize();
  const QScreen* screen = owner_->screen();
  if (screen && !screen->availableGeometry().contains(QRect(next, window.frameSize()))) {
    next = entries_.front()->window ? entries_.front()->window->pos() : previous;
  }
  window.move(next);
}

std::vector<QPointer<CProgressDlg>> JobWindows::windows() const {
  std::vector<QPointer<CProgressDlg>> result;
  for (const auto& entry : entries_) result.push_back(entry->window);
  return result;
}

int JobWindows::RunningCount() const {
  int count = 0;
  for (const auto& entry : entries_) count += entry->running ? 1 : 0;
  return count;
}

void JobWindows::JobEnded(Entry& entry, JobEnd result) {
  entry.running = false;
  entry.progress->Flush();
  entry.action->setText(entry.title + QStringLiteral(" - ended"));
  QString image;
  if (entry.recorder) {
    const VirtualTrays::FinishedImage finished = trays_.LastFinishedImage(entry.recorder);
    if (finished.serial != entry.imageSerialAtStart) {
      image = QString::fromStdString(finished.path.string());
    }
  }
  if (entry.window) {
    entry.window->ShowEnding(OutcomeText(result), image);
    ShowAgain(entry.window);
  }
  emit RunningCountChanged(RunningCount());
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

void JobWindows::WaitForJobs() {
  while (RunningCount() > 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

void JobWindows::FinishRunningJobs() {
  if (RunningCount() == 0) return;
  FinishingJobsDlg finishing;
  finishing_ = &finishing;
  finishing.setWindowIcon(owner_->windowIcon());
  finishing.SetRunningCount(RunningCount());
  connect(this, &JobWindows::RunningCountChanged, &finishing, &FinishingJobsDlg::SetRunningCount);
  connect(&finishing, &FinishingJobsDlg::ShowProgressRequested, this, [this] {
    for (const auto& entry : entries_) {
      if (entry->running) ShowAgain(entry->window);
    }
  });
  finishing.show();
  WaitForJobs();
  finishing_ = nullptr;
}

}  // namespace brenmark::gui
