#include "shell/win32/CTrayDlg.h"

#include "drive/UserPrompt.h"
#include "platform/Utf8Path.h"
#include "shell/VirtualTrays.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/ShellOpen.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

void CTrayDlg::Show(HWND owner) { Run(owner, IDD_TRAY); }

void CTrayDlg::OnInit() {
  SetItemText(IDC_TRAY_RECORDER, driveName_);
  SetItemText(IDC_TRAY_CONTENTS, recorder_.DescribeTray());
  // CD-R blanks come in several sizes; the DVD recorder's DVD-R in one.
  const HWND sizes = Item(IDC_TRAY_BLANK_SIZE);
  for (const int minutes : virtualdrive::geometry::kCdMinutes) {
    const std::wstring text = std::to_wstring(minutes) + L" min";
    const auto index = SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(sizes, CB_SETITEMDATA, static_cast<WPARAM>(index), minutes);
    if (minutes == virtualdrive::geometry::kDefaultCdMinutes) SendMessageW(sizes, CB_SETCURSEL, index, 0);
  }
  ShowWindow(sizes, virtualdrive::IsCdMedium(recorder_.model().blankKind) ? SW_SHOW : SW_HIDE);
  SetAccessibleNames(window(), {{IDC_TRAY_BLANK_SIZE, L"Blank Size"}});
}

bool CTrayDlg::OnCommand(int id, int) {
  switch (id) {
    case IDC_TRAY_INSERT_BLANK:
      InsertBlank();
      return true;
    case IDC_TRAY_INSERT_IMAGE:
      InsertImage();
      return true;
    case IDC_TRAY_INSERT_LAST:
      InsertLastBurned();
      return true;
    case IDC_TRAY_EJECT:
      Report(recorder_.Eject());
      return true;
    case IDC_TRAY_EMPTY:
      Report(recorder_.RemoveDisc());
      return true;
    case IDC_TRAY_BURNED_DISCS: {
      std::error_code error;
      std::filesystem::create_directories(trays_.burnedFolder(), error);
      OpenWithShell(window(), trays_.burnedFolder(), prompt_);
      return true;
    }
    default:
      return false;
  }
}

void CTrayDlg::InsertBlank() {
  const virtualdrive::MediumKind kind = recorder_.model().blankKind;
  const HWND sizes = Item(IDC_TRAY_BLANK_SIZE);
  const auto selected = SendMessageW(sizes, CB_GETCURSEL, 0, 0);
  const int minutes =
      virtualdrive::IsCdMedium(kind) ? static_cast<int>(SendMessageW(sizes, CB_GETITEMDATA, selected, 0)) : 0;
  Report(recorder_.InsertBlank(kind, minutes));
}

void CTrayDlg::InsertImage() {
  if (const auto image = files_.ChooseDiscImage(window())) Report(recorder_.InsertImage(platform::PathFromUtf8(*image)));
}

void CTrayDlg::InsertLastBurned() {
  const std::filesystem::path last = trays_.LastBurnedDisc(recorder_);
  if (last.empty()) {
    prompt_.ShowMessage("No disc burned on this recorder was found in " +
                            platform::Utf8FromPath(trays_.burnedFolder()) + ".",
                        MessageIcon::Warning);
    return;
  }
  Report(recorder_.InsertImage(last));
}

void CTrayDlg::Report(const virtualdrive::TrayResult& result) {
  SetItemText(IDC_TRAY_CONTENTS, recorder_.DescribeTray());
  if (!result.finishedImage.empty()) {
    SetItemText(IDC_TRAY_NOTE, "The written disc taken out is kept as " +
                                   platform::Utf8FromPath(std::filesystem::path(result.finishedImage).make_preferred()) +
                                   ".");
  }
  if (!result.ok) prompt_.ShowMessage(result.message, MessageIcon::Error);
}

}  // namespace brenmark::win32
