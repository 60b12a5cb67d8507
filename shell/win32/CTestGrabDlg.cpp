#include "shell/win32/CTestGrabDlg.h"

#include <vector>

#include "jobs/grab/GrabJob.h"
#include "platform/windows/WideText.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

namespace {

constexpr int kWavEntry = 0;

void AddEntry(HWND combo, const std::wstring& text) {
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

bool CTestGrabDlg::Choose(HWND owner) { return Run(owner, IDD_TEST_GRAB) == IDOK; }

void CTestGrabDlg::OnInit() {
  for (const std::string& line : lines_) {
    SendMessageW(Item(IDC_SOURCE_LIST), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::WideFromUtf8(line).c_str()));
  }
  // Every track is grabbed unless the user says otherwise; Grab waits for at least one.
  SendMessageW(Item(IDC_SOURCE_LIST), LB_SETSEL, TRUE, -1);
  EnableGrabForSelection();
  AddEntry(Item(IDC_GRAB_FORMAT), L"WAV");
  AddEntry(Item(IDC_GRAB_FORMAT), L"MP3");
  SendMessageW(Item(IDC_GRAB_FORMAT), CB_SETCURSEL, settings_.format == audio::GrabFormat::Mp3 ? 1 : kWavEntry, 0);
  for (const std::int32_t kbps : audio::kMp3Bitrates) {
    AddEntry(Item(IDC_GRAB_BITRATE), std::to_wstring(kbps) + L" kbit/s");
  }
  SendMessageW(Item(IDC_GRAB_BITRATE), CB_SETCURSEL,
               static_cast<WPARAM>(audio::Mp3BitrateEntry(settings_.bitrateKbps)), 0);
  ShowBitrateForFormat();
}

bool CTestGrabDlg::OnCommand(int id, int code) {
  if (id == IDC_GRAB_FORMAT && code == CBN_SELCHANGE) {
    ShowBitrateForFormat();
    return true;
  }
  if (id == IDC_SOURCE_LIST && code == LBN_SELCHANGE) {
    EnableGrabForSelection();
    return true;
  }
  if (id == IDOK) {
    // Enter reaches Grab even while it is disabled.
    if (SendMessageW(Item(IDC_SOURCE_LIST), LB_GETSELCOUNT, 0, 0) <= 0) return true;
    StoreChoice();
  }
  return false;
}

void CTestGrabDlg::EnableGrabForSelection() {
  EnableWindow(Item(IDOK), SendMessageW(Item(IDC_SOURCE_LIST), LB_GETSELCOUNT, 0, 0) > 0);
}

void CTestGrabDlg::ShowBitrateForFormat() {
  EnableWindow(Item(IDC_GRAB_BITRATE), SendMessageW(Item(IDC_GRAB_FORMAT), CB_GETCURSEL, 0, 0) != kWavEntry);
}

void CTestGrabDlg::StoreChoice() {
  selected_.fill(0);
  const HWND list = Item(IDC_SOURCE_LIST);
  const auto count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  std::vector<int> indexes(static_cast<std::size_t>(count > 0 ? count : 0));
  if (!indexes.empty()) SendMessageW(list, LB_GETSELITEMS, indexes.size(), reinterpret_cast<LPARAM>(indexes.data()));
  for (const int index : indexes) {
    if (index >= 0 && static_cast<std::size_t>(index) < selected_.size()) selected_[static_cast<std::size_t>(index)] = 1;
  }
  settings_ = audio::DialogGrabSettings(SendMessageW(Item(IDC_GRAB_FORMAT), CB_GETCURSEL, 0, 0) != kWavEntry,
                                        static_cast<int>(SendMessageW(Item(IDC_GRAB_BITRATE), CB_GETCURSEL, 0, 0)));
}

}  // namespace brenmark::win32
