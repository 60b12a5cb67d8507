#pragma once

#include <windows.h>

#include <string>

namespace brenmark::win32 {

// A modal dialog from a resource template whose messages go to an object.
// Run returns IDOK or IDCANCEL (or -1 when the window could not be made).
class ModalDialog {
 public:
  INT_PTR Run(HWND owner, int templateId);

 protected:
  ModalDialog() = default;
  virtual ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  virtual void OnInit() {}
  // OK and Cancel end the dialog unless this handles them (returns true).
  virtual bool OnCommand(int id, int code) = 0;
  // A control's notification (WM_NOTIFY); controls that notify nothing the
  // dialog needs leave it alone.
  virtual void OnNotify(NMHDR& header) { (void)header; }

  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  void SetItemText(int id, const std::string& utf8) const;
  std::string ItemText(int id) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

// The text of a window as UTF-8.
std::string WindowText(HWND window);

}  // namespace brenmark::win32
