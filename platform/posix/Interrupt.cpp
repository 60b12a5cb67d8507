#include "platform/Interrupt.h"

#include <signal.h>

#include <atomic>

namespace brenmark::platform {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

extern "C" void OnInterrupt(int) {
  if (auto* handler = interruptHandler.load()) handler();
}

}  // namespace

void CatchFirstInterrupt(void (*handler)()) {
  interruptHandler.store(handler);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // One-shot, so that a second Ctrl+C ends the program; restarted calls, so
  // that a read the job's thread is in (a question on the terminal) goes on.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace brenmark::platform
