#include "shell/win32/Win32ProgressSink.h"

namespace brenmark::win32 {

Win32ProgressSink::Win32ProgressSink(UiDispatcher& ui, CProgressDlg& window) : ui_(ui), window_(window) {}

void Win32ProgressSink::QueueUpdate(std::shared_ptr<State> state) {
  ui_.Post([state = std::move(state), window = &window_] { Show(*window, *state); });
}

void Win32ProgressSink::Flush() { Show(window_, *state()); }

void Win32ProgressSink::Show(CProgressDlg& window, State& state) {
  const std::optional<Display> display = state.TakeUpdate();
  if (!display) return;
  if (display->statusChanged) window.SetStatus(display->status);
  window.SetRange(display->bar.maximum());
  window.SetPos(display->bar.position());
  if (display->closeChanged) window.EnableClose(display->closeEnabled);
  if (display->noticesChanged) window.SetNotices(display->notices);
}

}  // namespace brenmark::win32
