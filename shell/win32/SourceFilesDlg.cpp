#include "shell/win32/SourceFilesDlg.h"

#include <commctrl.h>

#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"
#include "jobs/JobState.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

namespace {

// Both columns show within the dialog's width.
constexpr int kFilenameColumnWidth = 250;
constexpr int kCheckColumnWidth = 150;
constexpr std::size_t kItemTextLimit = 1000;
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
  SendMessageW(Item(IDC_SOURCE_LIST), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = kCheckColumnWidth;
  column.pszText = check;
  SendMessageW(Item(IDC_SOURCE_LIST), LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  SetAccessibleNames(window(), {{IDC_SOURCE_LIST, L"Files"}});
  if (discAtOnce_ != nullptr) {
    CheckDlgButton(window(), IDC_DISC_AT_ONCE, discAtOnce_->enabled ? BST_CHECKED : BST_UNCHECKED);
    SetItemText(IDC_ALBUM_TITLE, discAtOnce_->albumTitle);
    SetItemText(IDC_ALBUM_PERFORMER, discAtOnce_->albumPerformer);
    EnableCdText();
  }
  ShowTotals();
}

void SourceFilesDlg::EnableCdText() {
  const bool chosen = IsDlgButtonChecked(window(), IDC_DISC_AT_ONCE) == BST_CHECKED;
  EnableWindow(Item(IDC_ALBUM_TITLE), chosen);
  EnableWindow(Item(IDC_ALBUM_PERFORMER), chosen);
}

bool SourceFilesDlg::OnCommand(int id, int) {
  if (id == IDC_CHOOSE_FOLDER) {
    AddFiles();
    return true;
  }
  if (id == IDC_DISC_AT_ONCE) {
    EnableCdText();
    return true;
  }
  if (id == IDOK) {
    // Enter reaches OK even while it is disabled.
    if (!desktop::SourceListAcceptable(checked_)) return true;
    StoreList();
    if (discAtOnce_ != nullptr) {
      discAtOnce_->enabled = IsDlgButtonChecked(window(), IDC_DISC_AT_ONCE) == BST_CHECKED;
      discAtOnce_->albumTitle = ItemText(IDC_ALBUM_TITLE);
      discAtOnce_->albumPerformer = ItemText(IDC_ALBUM_PERFORMER);
    }
  }
  return false;
}

void SourceFilesDlg::AddFiles() {
  const auto chosen = files_.ChooseFiles(window(), kind_ == Kind::Audio ? kAudioFilter : kVideoFilter, dialogFolder_);
  if (!chosen) return;
  if (!chosen->empty()) {
    dialogFolder_ = platform::Utf8FromPath(platform::PathFromUtf8(chosen->front()).parent_path().make_preferred());
  }
  const HWND list = Item(IDC_SOURCE_LIST);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  checked_.clear();
  for (const std::string& path : *chosen) {
    desktop::CheckedFile file = desktop::CheckSourceFile(jobKind(), path);
    std::wstring text = platform::WideFromUtf8(path);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = text.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    std::wstring checkText = platform::WideFromUtf8(desktop::CheckedFileText(jobKind(), file));
    item.iSubItem = 1;
    item.pszText = checkText.data();
    SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    checked_.insert(checked_.begin(), std::move(file));
  }
  ShowTotals();
}

void SourceFilesDlg::ShowTotals() {
  SetItemText(IDC_SOURCE_TOTALS, desktop::SourceListTotals(jobKind(), checked_));
  EnableWindow(Item(IDOK), desktop::SourceListAcceptable(checked_));
}

void SourceFilesDlg::StoreList() {
  const HWND list = Item(IDC_SOURCE_LIST);
  const auto count = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  sourceFiles_.clear();
  for (std::size_t index = 0; index < count && index < JobState::kMaxSourceFiles; ++index) {
    wchar_t text[kItemTextLimit] = L"";
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(kItemTextLimit);
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    sourceFiles_.push_back(platform::Utf8FromWide(text));
  }
}

}  // namespace brenmark::win32
