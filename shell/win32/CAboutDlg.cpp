#include "shell/win32/CAboutDlg.h"

#include "shell/win32/resource.h"

namespace brenmark::win32 {

void CAboutDlg::Show(HWND owner) { Run(owner, IDD_ABOUTBOX); }

}  // namespace brenmark::win32
