#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <type_traits>
#include <utility>

#include "shell/desktop/UiThread.h"

namespace brenmark::gui {

// Runs `work` on the thread that owns `context` and returns once it has run, as a
// synchronous window message would. On that thread itself it simply calls `work`,
// so a port may be used from the user-interface thread without deadlocking.
template <typename Work>
auto RunOnUiThread(QObject* context, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (QThread::currentThread() == context->thread()) return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(context, [&work] { work(); }, Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(context, [&work, &result] { result = work(); },
                              Qt::BlockingQueuedConnection);
    return result;
  }
}

// Shared desktop code's way to the thread that owns `context`: calls queued
// to `context` (dropped once it has gone), and that thread's event loop served.
inline desktop::UiThread UiThreadOf(QObject* context) {
  return {[context](std::function<void()> call) {
            QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
          },
          [] { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }};
}

}  // namespace brenmark::gui
