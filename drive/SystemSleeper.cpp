#include <thread>

#include "drive/Sleeper.h"

namespace brenmark {

void SystemSleeper::SleepFor(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace brenmark
