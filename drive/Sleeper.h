#pragma once

#include <chrono>

namespace brenmark {

// The waits of the transfer retries go through this, so that tests can count
// them instead of sleeping.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void SleepFor(std::chrono::milliseconds duration) = 0;
};

// Sleeps for real.
class SystemSleeper final : public Sleeper {
 public:
  void SleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace brenmark
