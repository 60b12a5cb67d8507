#include "shell/win32/JobWindows.h"

#include "platform/windows/WideText.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/win32/CProgressDlg.h"
#include "shell/win32/ShellOpen.h"
#include "shell/win32/Win32ProgressSink.h"
#include "shell/win32/Win32UserPrompt.h"
#include "shell/win32/WindowPlacement.h"

namespace brenmark::win32 {

namespace {

const std::string kTitlePrefix = "Current Progress - ";

}  // namespace

JobWindows::JobWindows(UiDispatcher& ui, Win32UserPrompt& prompt) : ui_(ui), prompt_(prompt) {}

JobWindows::~JobWindows() {
  if (menu_) DestroyMenu(menu_);
}

std::vector<HWND> JobWindows::windows() const {
  std::vector<HWND> handles;
  for (const Window& window : windows_) handles.push_back(window.dialog ? window.dialog->hwnd() : nullptr);
  return handles;
}

std::shared_ptr<ProgressSink> JobWindows::OpenJobWindow(const desktop::JobEntry& job) {
  auto dialog = std::make_unique<CProgressDlg>(
      owner_, kTitlePrefix + job.title,
      [this](const std::filesystem::path& folder) { OpenWithShell(owner_, folder, prompt_); },
      [this, index = job.index] {
        if (board_) board_->Stop(index);
      });
  auto progress = std::make_shared<Win32ProgressSink>(ui_, *dialog);
  windows_.push_back({std::move(dialog), progress});
  return progress;
}

std::shared_ptr<UserPrompt> JobWindows::JobPrompt(const desktop::JobEntry& job) {
  return prompt_.ForJob(windows_[job.index].dialog->hwnd(), job.title);
}

void JobWindows::DropJobWindow(const desktop::JobEntry&) { windows_.pop_back(); }

void JobWindows::ShowJobWindow(const desktop::JobEntry& job) {
  // Beside the main window, covering none of it while the work area of its
  // monitor has room, in the lowest place no shown job window holds.
  std::vector<int> taken;
  for (const Window& other : windows_) {
    if (other.dialog && IsWindowVisible(other.dialog->hwnd())) taken.push_back(other.slot);
  }
  Window& entry = windows_[job.index];
  entry.slot = desktop::LowestFreeSlot(taken);
  const HWND window = entry.dialog->hwnd();
  const desktop::ScreenArea own = AreaOf(window);
  MoveWindowTo(window, desktop::JobWindowPlace(entry.slot, AreaOf(owner_), own.right - own.left,
                                               own.bottom - own.top, WorkAreaNear(owner_)));
  windows_[job.index].dialog->Show();
}

void JobWindows::ShowJobEnded(const desktop::JobEntry& job) {
  Window& window = windows_[job.index];
  window.progress->Flush();
  // The title says how the job ended, and the window comes back to say it.
  window.dialog->SetTitle(kTitlePrefix + job.title + " - " + desktoptext::OutcomeText(job.end));
  window.dialog->ShowEnding(job.resultLine, job.folderToOpen);
  window.dialog->Show();
}

void JobWindows::CloseJobWindow(const desktop::JobEntry& job) {
  Window& window = windows_[job.index];
  window.progress->Flush();
  window.dialog.reset();
}

void JobWindows::ListJobs(const desktop::JobMenu& jobMenu) {
  if (menu_) DestroyMenu(menu_);
  menu_ = CreatePopupMenu();
  for (std::size_t line = 0; line < jobMenu.lines.size(); ++line) {
    AppendMenuW(menu_, MF_STRING, jobMenu.jobs[line] + 1, platform::WideFromUtf8(jobMenu.lines[line]).c_str());
  }
  AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu_, MF_STRING | (jobMenu.endedListed ? MF_ENABLED : MF_GRAYED), kClearEndedItem,
              platform::WideFromUtf8(desktoptext::kClearEndedJobs).c_str());
}

bool JobWindows::PopUpMenu(POINT point) {
  if (!menu_) return false;
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, owner_,
                     nullptr));
  if (chosen == kClearEndedItem) return true;
  if (chosen >= 1 && chosen <= windows_.size() && windows_[chosen - 1].dialog) windows_[chosen - 1].dialog->Show();
  return false;
}

}  // namespace brenmark::win32
