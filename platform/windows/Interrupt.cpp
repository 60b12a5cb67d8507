#include "platform/Interrupt.h"

#include <windows.h>

#include <atomic>

namespace brenmark::platform {
namespace {

std::atomic<void (*)()> interruptHandler{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The first event only; FALSE hands the next ones to the default, which ends the program.
  auto* handler = interruptHandler.exchange(nullptr);
  if (handler == nullptr) return FALSE;
  handler();
  return TRUE;
}

}  // namespace

void CatchFirstInterrupt(void (*handler)()) {
  interruptHandler.store(handler);
  static const BOOL installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  (void)installed;
}

}  // namespace brenmark::platform
