#pragma once

#include <chrono>
#include <vector>

#include "drive/Sleeper.h"

namespace brenmark::test {

// Records the waits instead of sleeping.
class CountingSleeper final : public Sleeper {
 public:
  void SleepFor(std::chrono::milliseconds duration) override { waits.push_back(duration); }

  int Count(std::chrono::milliseconds duration) const {
    int count = 0;
    for (auto wait : waits) count += wait == duration ? 1 : 0;
    return count;
  }

  std::vector<std::chrono::milliseconds> waits;
};

// Waits that return at once, from any thread.
class NoSleep final : public Sleeper {
 public:
  void SleepFor(std::chrono::milliseconds) override {}
};

}  // namespace brenmark::test
