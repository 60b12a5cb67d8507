#include "shell/qt/QtProgressSink.h"

#include <QCoreApplication>

#include <type_traits>

#include "shell/qt/UiThread.h"

namespace brenmark::gui {

template <typename Work>
auto QtProgressSink::Apply(Work&& work) {
  // The application object outlives every window, so it is the safe place to
  // queue to; the window itself is checked again once on its own thread.
  return RunOnUiThread(QCoreApplication::instance(), [this, &work] {
    using Result = std::invoke_result_t<Work&, CProgressDlg&>;
    if constexpr (std::is_void_v<Result>) {
      if (!window_.isNull()) work(*window_);
    } else {
      return window_.isNull() ? Result{} : work(*window_);
    }
  });
}

void QtProgressSink::SetStatus(const std::string& text) {
  const QString status = QString::fromStdString(text);
  Apply([&](CProgressDlg& window) { window.SetStatus(status); });
}

void QtProgressSink::SetRange(std::int32_t maximum) {
  Apply([&](CProgressDlg& window) { window.SetRange(maximum); });
}

void QtProgressSink::SetRange16(std::uint16_t maximum) {
  Apply([&](CProgressDlg& window) { window.SetRange(maximum); });
}

void QtProgressSink::SetPos(std::int32_t position) {
  Apply([&](CProgressDlg& window) { window.SetPos(position); });
}

std::int32_t QtProgressSink::GetPos() {
  return Apply([](CProgressDlg& window) { return window.GetPos(); });
}

void QtProgressSink::SetStep(std::int32_t step) {
  Apply([&](CProgressDlg& window) { window.SetStep(step); });
}

void QtProgressSink::StepIt() {
  Apply([](CProgressDlg& window) { window.StepIt(); });
}

void QtProgressSink::EnableClose(bool enabled) {
  Apply([&](CProgressDlg& window) { window.EnableClose(enabled); });
}

}  // namespace brenmark::gui
