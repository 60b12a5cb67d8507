#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <thread>
#include <type_traits>
#include <utility>

namespace brenmark::gui {

// Runs slow work (a folder scan, a drive report) on a thread of its own so
// that the window stays responsive, and hands the result back on the
// user-interface thread. Create and use it on that thread. Its threads are
// joined when they have ended and, at the latest, when it is destroyed;
// results that arrive after that are dropped.
class BackgroundWork final : public QObject {
 public:
  using QObject::QObject;
  ~BackgroundWork() override {
    closing_ = true;
    WaitForAll();
  }

  // Runs `work()` on a new thread, then `deliver(result)` (or `deliver()` for
  // work without a result) on this object's thread.
  template <typename Work, typename Deliver>
  void Run(Work work, Deliver deliver) {
    JoinEnded();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto body = [this, ended, work = std::move(work), deliver = std::move(deliver)]() mutable {
      std::function<void()> hand;
      if constexpr (std::is_void_v<std::invoke_result_t<Work&>>) {
        work();
        hand = [this, deliver = std::move(deliver)]() mutable {
          if (!closing_) deliver();
        };
      } else {
        auto result = std::make_shared<std::invoke_result_t<Work&>>(work());
        hand = [this, deliver = std::move(deliver), result]() mutable {
          if (!closing_) deliver(std::move(*result));
        };
      }
      ended->store(true);
      QMetaObject::invokeMethod(this, std::move(hand), Qt::QueuedConnection);
    };
    threads_.push_back({std::thread(std::move(body)), std::move(ended)});
  }

  bool Busy() const {
    for (const Worker& worker : threads_) {
      if (!worker.ended->load()) return true;
    }
    return false;
  }

  // Serves the user-interface thread's events until every thread has ended, so
  // that work waiting on the user (a report's box) can finish.
  void WaitForAll() {
    while (Busy()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    JoinEnded();
    // A thread marks itself ended just before it posts its result: once it has
    // been joined the result is queued, so it is handed over here, not lost.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
  };

  void JoinEnded() {
    for (auto it = threads_.begin(); it != threads_.end();) {
      if (it->ended->load()) {
        it->thread.join();
        it = threads_.erase(it);
      } else {
        ++it;
      }
    }
  }

  std::list<Worker> threads_;
  bool closing_ = false;  // results that arrive while it is destroyed are dropped
};

}  // namespace brenmark::gui
