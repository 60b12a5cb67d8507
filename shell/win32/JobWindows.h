#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "shell/desktop/JobBoard.h"

namespace brenmark::win32 {

class CProgressDlg;
class UiDispatcher;
class Win32ProgressSink;
class Win32UserPrompt;

// Draws the job board: a progress window per job, titled with the job and its
// drive, opening a little below and to the right of the previous one; when
// its job ends the window comes back, its title and its result line saying
// how it ended. Each job asks its questions in boxes of its own window,
// titled with the job. The Jobs menu lists every job not cleared and brings
// its window back; a cleared job's window is destroyed.
class JobWindows final : public desktop::JobBoardView {
 public:
  JobWindows(UiDispatcher& ui, Win32UserPrompt& prompt);
  ~JobWindows() override;
  JobWindows(const JobWindows&) = delete;
  JobWindows& operator=(const JobWindows&) = delete;

  // The window the progress windows belong to; set before the first job.
  void SetOwner(HWND owner) { owner_ = owner; }
  // The board whose jobs this draws, which their Stop buttons reach; set before the first job.
  void Attach(desktop::JobBoard& board) { board_ = &board; }
  std::vector<HWND> windows() const;
  // The Jobs menu as ListJobs last drew it; a job's item id is 1 + the job's
  // index, the last item clears the ended jobs.
  HMENU menu() const { return menu_; }
  // Shows the Jobs menu at `point` (screen coordinates) and the window of the
  // job the user picks; true when the user picked "Clear Ended Jobs".
  bool PopUpMenu(POINT point);
  // The id of "Clear Ended Jobs" in the menu.
  static constexpr UINT kClearEndedItem = 0xFFFF;

  std::shared_ptr<ProgressSink> OpenJobWindow(const desktop::JobEntry& job) override;
  std::shared_ptr<UserPrompt> JobPrompt(const desktop::JobEntry& job) override;
  void DropJobWindow(const desktop::JobEntry& job) override;
  void ShowJobWindow(const desktop::JobEntry& job) override;
  void ShowJobEnded(const desktop::JobEntry& job) override;
  void CloseJobWindow(const desktop::JobEntry& job) override;
  void ListJobs(const desktop::JobMenu& jobMenu) override;

 private:
  struct Window {
    std::unique_ptr<CProgressDlg> dialog;
    std::shared_ptr<Win32ProgressSink> progress;
    int slot = -1;  // its place in the cascade beside the main window
  };

  UiDispatcher& ui_;
  Win32UserPrompt& prompt_;
  HWND owner_ = nullptr;
  desktop::JobBoard* board_ = nullptr;
  HMENU menu_ = nullptr;
  std::vector<Window> windows_;
};

}  // namespace brenmark::win32
