#pragma once

#include <atomic>

namespace brenmark {

// The user's request to stop a running job (Stop in its window, Ctrl+C on the
// command line). The front end sets it from any thread; the job looks at it
// where stopping leaves nothing half done and ends JobEnd::StoppedByUser.
class StopRequest {
 public:
  void Request() { requested_.store(true, std::memory_order_relaxed); }
  bool Requested() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

}  // namespace brenmark
