#include "shell/qt/QtProgressSink.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace brenmark::gui {

QtProgressSink::QtProgressSink(CProgressDlg* window) : shared_(std::make_shared<Shared>()) {
  shared_->window = window;
  if (window) {
    shared_->display.status = window->Status().toStdString();
    shared_->display.bar.SetRange(window->Maximum());
    shared_->display.bar.SetPos(window->GetPos());
    shared_->display.closeEnabled = window->IsCloseEnabled();
  }
}

template <typename Change>
void QtProgressSink::Update(Change&& change) {
  {
    std::lock_guard lock(shared_->mutex);
    change(shared_->display);
    if (shared_->updateQueued) return;
    shared_->updateQueued = true;
  }
  // The application object outlives every window, so it is the safe place to
  // queue to; the update holds the shared state, not the sink. It waits one
  // update interval on the user-interface thread, taking in later calls.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [shared = shared_] {
        QTimer::singleShot(1000 / kUpdatesPerSecond, QCoreApplication::instance(),
                           [shared] { Apply(*shared); });
      },
      Qt::QueuedConnection);
}

void QtProgressSink::Flush() { Apply(*shared_); }

void QtProgressSink::Apply(Shared& shared) {
  Display display;
  {
    std::lock_guard lock(shared.mutex);
    // Nothing new since the last update (a flush came first).
    if (!shared.updateQueued && !shared.display.statusChanged && !shared.display.closeChanged) {
      return;
    }
    shared.updateQueued = false;
    display = shared.display;
    shared.display.statusChanged = false;
    shared.display.closeChanged = false;
  }
  CProgressDlg* window = shared.window.data();
  if (!window) return;
  if (display.statusChanged) window->SetStatus(QString::fromStdString(display.status));
  window->SetRange(display.bar.maximum());
  window->SetPos(display.bar.position());
  if (display.closeChanged) window->EnableClose(display.closeEnabled);
}

void QtProgressSink::SetStatus(const std::string& text) {
  Update([&](Display& display) {
    display.status = text;
    display.statusChanged = true;
  });
}

void QtProgressSink::SetRange(std::int32_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void QtProgressSink::SetRange16(std::uint16_t maximum) {
  Update([&](Display& display) { display.bar.SetRange(maximum); });
}

void QtProgressSink::SetPos(std::int32_t position) {
  Update([&](Display& display) { display.bar.SetPos(position); });
}

std::int32_t QtProgressSink::GetPos() {
  std::lock_guard lock(shared_->mutex);
  return shared_->display.bar.position();
}

void QtProgressSink::SetStep(std::int32_t step) {
  Update([&](Display& display) { display.bar.SetStep(step); });
}

void QtProgressSink::StepIt() {
  Update([](Display& display) { display.bar.StepIt(); });
}

void QtProgressSink::EnableClose(bool enabled) {
  Update([&](Display& display) {
    display.closeEnabled = enabled;
    display.closeChanged = true;
  });
}

}  // namespace brenmark::gui
