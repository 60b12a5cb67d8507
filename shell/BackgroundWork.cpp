#include "shell/BackgroundWork.h"

namespace brenmark {

BackgroundWork::BackgroundWork(Post post, std::function<void()> serveEvents)
    : post_(std::move(post)), serveEvents_(std::move(serveEvents)) {}

BackgroundWork::~BackgroundWork() {
  {
    const std::lock_guard lock(handover_->mutex);
    handover_->closing = true;
  }
  RequestStop();
  WaitForAll();
}

void BackgroundWork::RequestStop() {
  for (Worker& worker : threads_) worker.stop.request_stop();
}

bool BackgroundWork::Busy() const {
  for (const Worker& worker : threads_) {
    if (!worker.ended->load()) return true;
  }
  return false;
}

void BackgroundWork::WaitForAll() {
  while (Busy()) serveEvents_();
  JoinEnded();
  // A thread queues its result before it marks itself ended: once every
  // thread has been joined, every result is here, whatever its posted call.
  handover_->DeliverReady();
}

void BackgroundWork::Hand(std::function<void()> hand, std::atomic<bool>& ended) {
  {
    const std::lock_guard lock(handover_->mutex);
    if (!handover_->closing) handover_->ready.push_back(std::move(hand));
    ended.store(true);
  }
  post_([handover = std::weak_ptr<Handover>(handover_)] {
    if (const auto alive = handover.lock()) alive->DeliverReady();
  });
}

void BackgroundWork::Handover::DeliverReady() {
  for (;;) {
    std::function<void()> next;
    {
      const std::lock_guard lock(mutex);
      if (closing) ready.clear();
      if (ready.empty()) return;
      next = std::move(ready.front());
      ready.pop_front();
    }
    next();
  }
}

void BackgroundWork::JoinEnded() {
  for (auto it = threads_.begin(); it != threads_.end();) {
    if (it->ended->load()) {
      it->thread.join();
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace brenmark
