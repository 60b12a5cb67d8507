#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace brenmark::win32 {

// The modeless progress window of one job: a status line, a progress bar and
// Close. Close and the close box only hide it; it is destroyed with its owner,
// the main window, so its job can always write to it.
class CProgressDlg {
 public:
  CProgressDlg(HWND owner, const std::string& title);
  ~CProgressDlg();
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  HWND hwnd() const { return window_; }
  void SetTitle(const std::string& title);
  void SetStatus(const std::string& text);
  void SetRange(std::int32_t maximum);
  void SetPos(std::int32_t position);
  void EnableClose(bool enabled);
  void Show();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_;
};

}  // namespace brenmark::win32
