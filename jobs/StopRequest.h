#pragma once

#include <atomic>
#include <cstdint>

namespace brenmark {

namespace stoptext {
// How a job the user stopped ends: its last status, and its result line.
inline constexpr const char* kStopped = "Stopped by the user.";
}  // namespace stoptext

// The user's request to stop a running job (Stop in its window, Ctrl+C on the
// command line). The front end sets it from any thread, a signal handler
// included (a lock-free counter); the job looks at it where stopping leaves
// nothing half done and ends JobEnd::StoppedByUser. Each request is counted:
// a job whose user chose to go on waits for the next one.
class StopRequest {
 public:
  void Request() { requests_.fetch_add(1, std::memory_order_relaxed); }
  bool Requested() const { return count() != 0; }
  std::uint32_t count() const { return requests_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> requests_{0};
  static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
};

}  // namespace brenmark
