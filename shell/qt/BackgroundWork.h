#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>

#include "shell/BackgroundWork.h"

namespace brenmark::gui {

// The shared background work on the Qt event loop: results are handed over
// through queued calls to this object, which the window owns.
class BackgroundWork final : public QObject, public brenmark::BackgroundWork {
 public:
  explicit BackgroundWork(QObject* parent = nullptr)
      : QObject(parent),
        brenmark::BackgroundWork(
            [this](std::function<void()> call) {
              QMetaObject::invokeMethod(static_cast<QObject*>(this), std::move(call), Qt::QueuedConnection);
            },
            [] { QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents); }) {}
};

}  // namespace brenmark::gui
