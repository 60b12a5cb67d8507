#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "drive/Sleeper.h"

namespace brenmark::testing {

// Records the waits instead of sleeping; an optional hook runs on each wait.
class CountingSleeper final : public Sleeper {
 public:
  void SleepFor(std::chrono::milliseconds duration) override {
    waits.push_back(duration);
    if (onSleep) onSleep();
  }

  int Count(std::chrono::milliseconds duration) const {
    int count = 0;
    for (auto wait : waits) count += wait == duration ? 1 : 0;
    return count;
  }

  std::vector<std::chrono::milliseconds> waits;
  std::function<void()> onSleep;
};

}  // namespace brenmark::testing
