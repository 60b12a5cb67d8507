#include "shell/qt/QtProgressSink.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace brenmark::gui {
namespace {

// The window's own state, so that the first update changes nothing the job did not set.
CoalescingProgressSink::Display DisplayOf(const CProgressDlg* window) {
  CoalescingProgressSink::Display display;
  if (window) {
    display.status = window->Status().toStdString();
    display.bar.SetRange(window->Maximum());
    display.bar.SetPos(window->GetPos());
    display.closeEnabled = window->IsCloseEnabled();
  }
  return display;
}

}  // namespace

QtProgressSink::QtProgressSink(CProgressDlg* window)
    : CoalescingProgressSink(DisplayOf(window)), window_(std::make_shared<QPointer<CProgressDlg>>(window)) {}

void QtProgressSink::QueueUpdate(std::shared_ptr<State> state) {
  // The application object outlives every window, so it is the safe place to
  // queue to; the update holds the shared state, not the sink. It waits one
  // update interval on the user-interface thread, taking in later calls.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [state = std::move(state), window = window_] {
        QTimer::singleShot(1000 / kUpdatesPerSecond, QCoreApplication::instance(),
                           [state, window] { Show(window->data(), *state); });
      },
      Qt::QueuedConnection);
}

void QtProgressSink::Flush() { Show(window_->data(), *state()); }

void QtProgressSink::Show(CProgressDlg* window, State& state) {
  const std::optional<Display> display = state.TakeUpdate();
  if (!display || !window) return;
  if (display->statusChanged) window->SetStatus(QString::fromStdString(display->status));
  window->SetRange(display->bar.maximum());
  window->SetPos(display->bar.position());
  if (display->closeChanged) window->EnableClose(display->closeEnabled);
  if (display->noticesChanged) window->SetNotices(QString::fromStdString(display->notices));
}

}  // namespace brenmark::gui
