#include "shell/win32/UiDispatcher.h"

namespace brenmark::win32 {

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT kRunQueuedMessage = WM_APP + 2;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMilliseconds = 10;
constexpr wchar_t kWindowClass[] = L"BrenmarkUiDispatcher";

}  // namespace

UiDispatcher::UiDispatcher(PostWakeUp postWakeUp)
    : threadId_(GetCurrentThreadId()),
      postWakeUp_(postWakeUp ? std::move(postWakeUp)
                             : [](HWND window, UINT message) { return PostMessageW(window, message, 0, 0) != FALSE; }) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);  // fails harmlessly when a second dispatcher registers it again
  window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

UiDispatcher::~UiDispatcher() {
  // Work still queued is dropped with the window; its owners have gone.
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

bool UiDispatcher::OnUiThread() const { return GetCurrentThreadId() == threadId_; }

void UiDispatcher::Call(const std::function<void()>& work) {
  if (OnUiThread()) {
    work();
    return;
  }
  SendMessageW(window_, kCallMessage, 0, reinterpret_cast<LPARAM>(&work));
}

void UiDispatcher::Post(std::function<void()> work) {
  {
    const std::lock_guard lock(mutex_);
    queued_.push_back(std::move(work));
    if (wakeUpPending_) return;
    wakeUpPending_ = true;
  }
  WakeUp();
}

void UiDispatcher::WakeUp() {
  if (postWakeUp_(window_, kRunQueuedMessage)) return;
  // The message could not be posted. The user-interface thread is never made
  // to wait for itself: there a timer runs the queue once it serves messages
  // again. Another thread's notification is sent past the full posted-message
  // queue without waiting for it to be handled.
  if (OnUiThread() ? SetTimer(window_, kRetryTimer, kRetryMilliseconds, nullptr) != 0
                   : SendNotifyMessageW(window_, kRunQueuedMessage, 0, 0) != FALSE) {
    return;
  }
  // Nothing reached the thread: the next Post asks again.
  const std::lock_guard lock(mutex_);
  wakeUpPending_ = false;
}

void UiDispatcher::RunQueued() {
  std::deque<std::function<void()>> ready;
  {
    const std::lock_guard lock(mutex_);
    ready.swap(queued_);
    wakeUpPending_ = false;
  }
  for (auto& work : ready) work();
}

void UiDispatcher::ServeMessages() {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK UiDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* dispatcher = reinterpret_cast<UiDispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case kCallMessage:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case WM_TIMER:
      if (wParam != kRetryTimer) break;
      KillTimer(window, kRetryTimer);
      if (dispatcher) dispatcher->RunQueued();
      return 0;
    case kRunQueuedMessage:
      if (dispatcher) dispatcher->RunQueued();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace brenmark::win32
