#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace brenmark::win32 {

// Serves this thread's messages until `done` holds or three minutes have
// passed; says whether `done` holds.
inline bool ServeMessagesUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return done();
}

}  // namespace brenmark::win32
