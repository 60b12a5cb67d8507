#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace brenmark::win32 {

// The modeless progress window of one job: a status line, a progress bar,
// Stop while the job runs and Close, and once the job has ended a line that says how it ended (with the
// disc image it left, if any, and a button that shows the image's folder).
// Close, the close box and Escape only hide it (Escape too while the main
// window runs its own modal loop); it is destroyed with its owner, the main
// window, so its job can always write to it.
class CProgressDlg {
 public:
  using OpenFolder = std::function<void(const std::filesystem::path& folder)>;
  using StopJob = std::function<void()>;

  CProgressDlg(HWND owner, const std::string& title, OpenFolder openFolder = nullptr, StopJob stopJob = nullptr);
  ~CProgressDlg();
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  HWND hwnd() const { return window_; }
  void SetTitle(const std::string& title);
  void SetStatus(const std::string& text);
  void SetRange(std::int32_t maximum);
  void SetPos(std::int32_t position);
  void EnableClose(bool enabled);
  // The job's notices, one a line, shown below the bar once there are any.
  void SetNotices(const std::string& text);
  // The job has ended: `line` says how; `folder`, when not empty, is what
  // Open Folder opens (the kept image's folder, or the one a grab wrote).
  void ShowEnding(const std::string& line, const std::filesystem::path& folder);
  void Show();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Gives the progress windows their dialog keys inside another window's
  // modal loop, which handles only its own dialog's keys.
  static LRESULT CALLBACK ModalLoopKeys(int code, WPARAM wParam, LPARAM lParam);

  HWND window_;
  OpenFolder openFolder_;
  StopJob stopJob_;
  std::filesystem::path folder_;
};

}  // namespace brenmark::win32
