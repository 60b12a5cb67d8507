#pragma once

#include "shell/win32/ModalDialog.h"

namespace brenmark::win32 {

// The about box: the icon, the version line and three paragraphs; OK closes it.
class CAboutDlg final : public ModalDialog {
 public:
  void Show(HWND owner);

 private:
  bool OnCommand(int, int) override { return false; }
};

}  // namespace brenmark::win32
