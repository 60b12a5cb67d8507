// Work posted to the user-interface thread when its message cannot be posted
// (the thread's message queue is full): it still runs, in order, from another
// thread and from that thread itself, and a job's progress window is not left
// behind by one lost update.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "shell/win32/CProgressDlg.h"
#include "shell/win32/ModalDialog.h"
#include "shell/win32/UiDispatcher.h"
#include "shell/win32/Win32ProgressSink.h"
#include "shell/win32/resource.h"
#include "tests/win32/ServeMessages.h"

namespace brenmark::win32 {
namespace {

// A dispatcher whose wake-up message cannot be posted the first `failures` times.
class FullQueue {
 public:
  explicit FullQueue(int failures) : failuresLeft_(failures) {}

  UiDispatcher::PostWakeUp poster() {
    return [this](HWND window, UINT message) {
      ++attempts;
      if (failuresLeft_.fetch_sub(1) > 0) return false;
      return PostMessageW(window, message, 0, 0) != FALSE;
    };
  }

  std::atomic<int> attempts = 0;

 private:
  std::atomic<int> failuresLeft_;
};

// Posted from another thread or from the user-interface thread itself, the
// work runs in order, and never at once on the caller's stack.
TEST(UiDispatcher, WorkRunsInOrderWhenItsMessageCannotBePosted) {
  for (const bool fromOwnThread : {false, true}) {
    FullQueue full(1000);
    UiDispatcher ui(full.poster());
    std::vector<int> ran;
    const auto post = [&ui, &ran] {
      for (int i = 0; i < 3; ++i) ui.Post([&ran, i] { ran.push_back(i); });
    };
    if (fromOwnThread) {
      post();
      EXPECT_TRUE(ran.empty());
    } else {
      std::thread(post).join();
    }
    EXPECT_TRUE(ServeMessagesUntil([&ran] { return ran.size() == 3; })) << fromOwnThread;
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2})) << fromOwnThread;
    EXPECT_GE(full.attempts, 1);
  }
}

// One update of many whose message is lost must not leave the window showing
// an old state for good: the window catches up with the job's last call.
TEST(UiDispatcher, ProgressWindowCatchesUpAfterAnUpdateCouldNotBePosted) {
  FullQueue full(1);
  UiDispatcher ui(full.poster());
  CProgressDlg window(nullptr, "Current Progress");
  Win32ProgressSink sink(ui, window);
  std::thread job([&sink] {
    sink.SetStatus("Writing Data To CD...");
    sink.SetRange(100);
    sink.SetPos(100);
    sink.SetStatus("Disc burned.");
  });
  job.join();
  EXPECT_TRUE(ServeMessagesUntil([&window] {
    return WindowText(GetDlgItem(window.hwnd(), IDC_PROGRESS_STATUS)) == "Disc burned.";
  }));
  EXPECT_EQ(SendDlgItemMessageW(window.hwnd(), IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 100);
}

}  // namespace
}  // namespace brenmark::win32
