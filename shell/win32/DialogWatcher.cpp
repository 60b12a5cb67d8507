#include "shell/win32/DialogWatcher.h"

#include <string_view>
#include <vector>

namespace brenmark::win32 {

namespace {

constexpr UINT kPollMilliseconds = 30;
thread_local DialogWatcher* activeWatcher = nullptr;

struct Search {
  const std::function<bool(HWND)>* ignore;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<Search*>(data);
  wchar_t className[16] = L"";
  GetClassNameW(window, className, 16);
  if (IsWindowVisible(window) && IsWindowEnabled(window) && std::wstring_view(className) == L"#32770" &&
      !(*search.ignore && (*search.ignore)(window))) {
    search.found.push_back(window);
  }
  return TRUE;
}

}  // namespace

DialogWatcher::DialogWatcher(std::function<bool(HWND)> ignore)
    : ignore_(std::move(ignore)), timer_(SetTimer(nullptr, 0, kPollMilliseconds, OnTimer)) {
  activeWatcher = this;
}

DialogWatcher::~DialogWatcher() {
  KillTimer(nullptr, timer_);
  activeWatcher = nullptr;
}

HWND DialogWatcher::FindDialog() const {
  Search search{&ignore_, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&search));
  // The newest window comes first in the thread's list.
  return search.found.empty() ? nullptr : search.found.front();
}

void CALLBACK DialogWatcher::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  DialogWatcher* watcher = activeWatcher;
  if (watcher == nullptr || watcher->running_ || watcher->steps_.empty()) return;
  const HWND dialog = watcher->FindDialog();
  if (dialog == nullptr) return;
  Step step = std::move(watcher->steps_.front());
  watcher->steps_.pop_front();
  watcher->running_ = true;
  step(dialog);
  watcher->running_ = false;
}

void ClickLater(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace brenmark::win32
