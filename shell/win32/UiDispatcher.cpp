#include "shell/win32/UiDispatcher.h"

#include <memory>

namespace brenmark::win32 {

namespace {

constexpr UINT kCallMessage = WM_APP + 1;
constexpr UINT kPostMessage = WM_APP + 2;
constexpr wchar_t kWindowClass[] = L"BrenmarkUiDispatcher";

}  // namespace

UiDispatcher::UiDispatcher() : threadId_(GetCurrentThreadId()) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);  // fails harmlessly when a second dispatcher registers it again
  window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
}

UiDispatcher::~UiDispatcher() {
  // Work still queued is dropped with the window; its owners have gone.
  MSG message;
  while (PeekMessageW(&message, window_, kPostMessage, kPostMessage, PM_REMOVE)) {
    delete reinterpret_cast<std::function<void()>*>(message.lParam);
  }
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
  auto queued = std::make_unique<std::function<void()>>(std::move(work));
  if (PostMessageW(window_, kPostMessage, 0, reinterpret_cast<LPARAM>(queued.get()))) queued.release();
}

LRESULT CALLBACK UiDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCallMessage:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case kPostMessage: {
      const std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
      (*work)();
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace brenmark::win32
