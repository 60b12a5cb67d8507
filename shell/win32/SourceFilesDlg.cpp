#include "shell/win32/SourceFilesDlg.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"
#include "jobs/JobState.h"
#include "shell/desktop/SourceListEdit.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/Win32UserPrompt.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

namespace {

// Both columns show within the dialog's width.
constexpr int kFilenameColumnWidth = 250;
constexpr int kCheckColumnWidth = 150;
constexpr UINT_PTR kListKeysId = 1;
constexpr const char* kAudioFilter = "WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)|*.wav||";
constexpr const char* kVideoFilter = "MPEG1 Files (*.mpg)|*.mpg||";

}  // namespace

bool SourceFilesDlg::Choose(HWND owner) {
  return Run(owner, kind_ == Kind::Audio ? IDD_ADD_AUDIO_FILES : IDD_ADD_VIDEO_FILES) == IDOK;
}

void SourceFilesDlg::OnInit() {
  wchar_t filename[] = L"Filename";
  wchar_t check[] = L"Length or problem";
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  column.cx = kFilenameColumnWidth;
  column.pszText = filename;
  const HWND list = Item(IDC_SOURCE_LIST);
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = kCheckColumnWidth;
  column.pszText = check;
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  // A row's tooltip holds its whole path and its whole check, however narrow the columns.
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT,
               LVS_EX_INFOTIP | LVS_EX_FULLROWSELECT);
  SetWindowSubclass(list, ListKeys, kListKeysId, reinterpret_cast<DWORD_PTR>(this));
  SetAccessibleNames(window(), {{IDC_SOURCE_LIST, L"Files"}});
  if (discAtOnce_ != nullptr) {
    CheckDlgButton(window(), IDC_DISC_AT_ONCE, discAtOnce_->enabled ? BST_CHECKED : BST_UNCHECKED);
    SetItemText(IDC_ALBUM_TITLE, discAtOnce_->albumTitle);
    SetItemText(IDC_ALBUM_PERFORMER, discAtOnce_->albumPerformer);
    EnableCdText();
  }
  ShowTotals();
}

LRESULT CALLBACK SourceFilesDlg::ListKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR dialog) {
  auto& self = *reinterpret_cast<SourceFilesDlg*>(dialog);
  // Alt held down: the key comes as a system key with bit 29 set.
  const bool alt = message == WM_SYSKEYDOWN && (lParam & (1 << 29)) != 0;
  if (message == WM_KEYDOWN && wParam == VK_DELETE) {
    self.RemoveSelected();
    return 0;
  }
  if (alt && (wParam == VK_UP || wParam == VK_DOWN)) {
    self.MoveSelected(wParam == VK_UP ? -1 : 1);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(list, ListKeys, id);
  return DefSubclassProc(list, message, wParam, lParam);
}

void SourceFilesDlg::EnableCdText() {
  const bool chosen = IsDlgButtonChecked(window(), IDC_DISC_AT_ONCE) == BST_CHECKED;
  EnableWindow(Item(IDC_ALBUM_TITLE), chosen);
  EnableWindow(Item(IDC_ALBUM_PERFORMER), chosen);
}

bool SourceFilesDlg::OnCommand(int id, int) {
  switch (id) {
    case IDC_CHOOSE_FOLDER:
      AddFiles();
      return true;
    case IDC_LIST_REMOVE:
      RemoveSelected();
      return true;
    case IDC_LIST_MOVE_UP:
      MoveSelected(-1);
      return true;
    case IDC_LIST_MOVE_DOWN:
      MoveSelected(1);
      return true;
    case IDC_DISC_AT_ONCE:
      EnableCdText();
      return true;
    case IDOK:
      // Enter reaches OK even while it is disabled.
      if (!desktop::SourceListAcceptable(checked_)) return true;
      StoreList();
      if (discAtOnce_ != nullptr) {
        discAtOnce_->enabled = IsDlgButtonChecked(window(), IDC_DISC_AT_ONCE) == BST_CHECKED;
        discAtOnce_->albumTitle = ItemText(IDC_ALBUM_TITLE);
        discAtOnce_->albumPerformer = ItemText(IDC_ALBUM_PERFORMER);
      }
      return false;
    default:
      return false;
  }
}

void SourceFilesDlg::OnNotify(NMHDR& header) {
  if (header.idFrom != IDC_SOURCE_LIST || header.code != LVN_GETINFOTIPW) return;
  auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
  if (tip.iItem < 0 || static_cast<std::size_t>(tip.iItem) >= checked_.size() || tip.cchTextMax <= 0) return;
  const desktop::CheckedFile& file = checked_[static_cast<std::size_t>(tip.iItem)];
  const std::wstring text = platform::WideFromUtf8(file.path + "\n" + desktop::CheckedFileText(jobKind(), file));
  lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
}

void SourceFilesDlg::AddFiles() {
  const auto chosen = files_.ChooseFiles(window(), kind_ == Kind::Audio ? kAudioFilter : kVideoFilter, dialogFolder_);
  if (!chosen) return;
  if (!chosen->empty()) {
    dialogFolder_ = platform::Utf8FromPath(platform::PathFromUtf8(chosen->front()).parent_path().make_preferred());
  }
  desktop::ChosenList listed = desktop::ListChosenFiles(jobKind(), *chosen, JobState::kMaxSourceFiles);
  checked_ = std::move(listed.files);
  ShowList(-1);
  if (!listed.note.empty()) ShowMessageBox(window(), listed.note, MB_OK | MB_ICONINFORMATION);
}

void SourceFilesDlg::ShowList(int selected) {
  const HWND list = Item(IDC_SOURCE_LIST);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (std::size_t row = 0; row < checked_.size(); ++row) {
    std::wstring path = platform::WideFromUtf8(checked_[row].path);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(row);
    item.pszText = path.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    std::wstring checkText = platform::WideFromUtf8(desktop::CheckedFileText(jobKind(), checked_[row]));
    item.iSubItem = 1;
    item.pszText = checkText.data();
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
  if (selected >= 0) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
  }
  // The check column as wide as its longest text, and never narrower than at first.
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
  const auto width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, std::max(width, kCheckColumnWidth));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  ShowTotals();
}

int SourceFilesDlg::SelectedRow() const {
  return static_cast<int>(SendMessageW(Item(IDC_SOURCE_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SourceFilesDlg::RemoveSelected() {
  const int row = SelectedRow();
  if (row < 0) return;
  ShowList(desktop::RemoveSourceFile(checked_, row));
}

void SourceFilesDlg::MoveSelected(int step) {
  const int row = SelectedRow();
  const int moved = desktop::MoveSourceFile(checked_, row, step);
  if (moved < 0 || moved == row) return;
  ShowList(moved);
}

void SourceFilesDlg::ShowTotals() {
  SetItemText(IDC_SOURCE_TOTALS, desktop::SourceListTotals(jobKind(), checked_));
  EnableWindow(Item(IDOK), desktop::SourceListAcceptable(checked_));
}

void SourceFilesDlg::StoreList() {
  sourceFiles_.clear();
  for (const desktop::CheckedFile& file : checked_) sourceFiles_.push_back(file.path);
}

}  // namespace brenmark::win32
