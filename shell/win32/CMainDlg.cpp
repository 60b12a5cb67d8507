#include "shell/win32/CMainDlg.h"

#include <commctrl.h>

#include "platform/windows/WideText.h"
#include "shell/EngineSession.h"
#include "shell/win32/AccessibleNames.h"
#include "shell/win32/CAboutDlg.h"
#include "shell/win32/CSpeedSelectDlg.h"
#include "shell/win32/CTestGrabDlg.h"
#include "shell/win32/CTrayDlg.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/JobEndMessage.h"
#include "shell/win32/ModalDialog.h"
#include "shell/win32/ShellOpen.h"
#include "shell/win32/SourceFilesDlg.h"
#include "shell/win32/UiDispatcher.h"
#include "shell/win32/Win32UserPrompt.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

using desktop::JobKind;
using desktop::MainControl;

namespace {

desktop::UiThread UiThreadOf(UiDispatcher& ui) {
  return {[&ui](std::function<void()> call) { ui.Post(std::move(call)); }, UiDispatcher::ServeMessages};
}

int ItemOf(MainControl control) {
  switch (control) {
    case MainControl::DriveList:
      return IDC_DRIVE_COMBO;
    case MainControl::TrayButton:
      return IDC_TRAY;
    case MainControl::BurnCd:
      return IDC_BURN_CD;
    case MainControl::BurnDvd:
      return IDC_BURN_DVD;
    case MainControl::ScanIndicator:
      return IDC_SCAN_STATUS;
    case MainControl::DiscInfo:
      return IDC_DISC_INFO;
    case MainControl::DeviceInfo:
      return IDC_DEVICE_INFO;
    case MainControl::JobsMenu:
      return IDC_JOBS;
    case MainControl::AudioCdTest:
      return IDC_AUDIO_RUN;
    case MainControl::VideoCdTest:
      return IDC_VIDEO_RUN;
    case MainControl::FolderField:
      return IDC_FOLDER_EDIT;
  }
  return 0;
}

}  // namespace

CMainDlg::CMainDlg(MainDlgServices services)
    : services_(services),
      jobWindows_(services.ui, services.prompt),
      logic_(services.engine, *this, jobWindows_, UiThreadOf(services.ui), services.settings) {}

CMainDlg::~CMainDlg() {
  // Jobs, scans and reports report to the windows: let them end while the
  // windows are whole.
  WaitForJobs();
  if (!modal_ && IsWindow(window_)) DestroyWindow(window_);
}

void CMainDlg::RunModal() {
  modal_ = true;
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                  reinterpret_cast<LPARAM>(this));
}

HWND CMainDlg::Create() {
  CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                     reinterpret_cast<LPARAM>(this));
  return window_;
}

INT_PTR CALLBACK CMainDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* dialog = reinterpret_cast<CMainDlg*>(lParam);
    dialog->window_ = window;
    dialog->OnInit();
    return TRUE;
  }
  auto* dialog = reinterpret_cast<CMainDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  return dialog ? dialog->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CMainDlg::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT || !busy_) return FALSE;
      // The window still answers while it works: the arrow with the hourglass.
      SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
      SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg().Show(window_);
        return TRUE;
      }
      if ((wParam & 0xFFF0) == IDM_BURN_IMAGE) {
        logic_.BurnImage();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void CMainDlg::OnInit() {
  services_.prompt.SetOwnerWindow(window_);
  jobWindows_.SetOwner(window_);
  jobWindows_.Attach(logic_.board());
  wchar_t about[100] = L"";
  LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 100);
  if (about[0] != L'\0') {
    const HMENU systemMenu = GetSystemMenu(window_, FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_BURN_IMAGE, L"Burn &Image...");
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
  }
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  // The fields read the labels before them; these say what they belong to.
  SetAccessibleNames(window_, {{IDC_DRIVE_COMBO, L"Current Device"},
                               {IDC_TRAY, L"Tray"},
                               {IDC_CHOOSE_FOLDER, L"Choose Folder To Burn"},
                               {IDC_CANCEL_SCAN, L"Cancel Scan"},
                               {IDC_AUDIO_RUN, L"Run Audio CD Test"},
                               {IDC_VIDEO_RUN, L"Run Video CD Test"},
                               {IDC_GRAB_RUN, L"Run Grab Test"},
                               {IDC_CHOOSE_OUTPUT, L"Choose Output Folder"}});
  logic_.Open();
}

void CMainDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_DRIVE_COMBO:
      if (code == CBN_SELCHANGE) {
        logic_.SelectDrive(static_cast<int>(SendDlgItemMessageW(window_, IDC_DRIVE_COMBO, CB_GETCURSEL, 0, 0)));
      }
      return;
    case IDC_CHOOSE_FOLDER:
      return logic_.ChooseFolderToBurn();
    case IDC_CANCEL_SCAN:
      return logic_.CancelScan();
    case IDC_CHOOSE_OUTPUT:
      return logic_.ChooseOutputFolder();
    case IDC_BURN_CD:
      return logic_.BurnDataDisc(JobKind::DataCd);
    case IDC_BURN_DVD:
      return logic_.BurnDataDisc(JobKind::DataDvd);
    case IDC_AUDIO_RUN:
      return logic_.BurnFiles(JobKind::AudioCd);
    case IDC_VIDEO_RUN:
      return logic_.BurnFiles(JobKind::VideoCd);
    case IDC_GRAB_RUN:
      return logic_.GrabAudio();
    case IDC_DISC_INFO:
      return logic_.ShowDiscReport();
    case IDC_DEVICE_INFO:
      return logic_.ShowDeviceReport();
    case IDC_ORDER:
      return logic_.OpenDocumentation();
    case IDC_TRAY:
      return logic_.OpenTray();
    case IDC_JOBS:
      return ShowJobsMenu();
    case IDC_ABOUT:
      return CAboutDlg().Show(window_);
    case IDOK: {
      // Enter: the folder field takes what was typed; the output field keeps
      // it; anywhere else the window ends, as Exit does.
      const HWND focus = GetFocus();
      if (focus == GetDlgItem(window_, IDC_FOLDER_EDIT)) return logic_.TakeTypedFolder();
      if (focus == GetDlgItem(window_, IDC_OUTPUT_EDIT)) return;
      return Leave();
    }
    case IDCANCEL:
      return Leave();
    default:
      return;
  }
}

void CMainDlg::Leave() {
  if (!logic_.MayLeave()) return;
  if (RunningJobs() > 0) {
    // The jobs finish first, their windows still shown, each end told in a
    // message of its own; then the program ends.
    ShowWindow(window_, SW_HIDE);
    services_.prompt.SetOwnerWindow(nullptr);
    JobEndMessage endMessage;
    logic_.board().WaitForJobs(endMessage);
    WaitForJobs();
  }
  if (modal_) {
    EndDialog(window_, IDCANCEL);
  } else {
    ShowWindow(window_, SW_HIDE);
  }
}

void CMainDlg::ShowJobsMenu() {
  // The menu opens below the button.
  RECT button{};
  GetWindowRect(GetDlgItem(window_, IDC_JOBS), &button);
  if (jobWindows_.PopUpMenu({button.left, button.bottom})) logic_.ClearEndedJobs();
}

void CMainDlg::ShowDrives(const std::vector<std::string>& names, int selected) {
  const HWND combo = GetDlgItem(window_, IDC_DRIVE_COMBO);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::WideFromUtf8(name).c_str()));
  }
  if (selected != -1) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

std::string CMainDlg::FolderText() const { return WindowText(GetDlgItem(window_, IDC_FOLDER_EDIT)); }

void CMainDlg::SetFolderText(const std::string& text) {
  SetDlgItemTextW(window_, IDC_FOLDER_EDIT, platform::WideFromUtf8(text).c_str());
}

std::string CMainDlg::OutputText() const { return WindowText(GetDlgItem(window_, IDC_OUTPUT_EDIT)); }

void CMainDlg::SetOutputText(const std::string& text) {
  SetDlgItemTextW(window_, IDC_OUTPUT_EDIT, platform::WideFromUtf8(text).c_str());
}

void CMainDlg::EnableItem(int id, bool enabled) {
  const HWND item = GetDlgItem(window_, id);
  // Focus left on a disabled control would take no keys: it moves on first.
  if (!enabled && GetFocus() == item) SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(item, enabled);
}

void CMainDlg::Enable(MainControl control, bool enabled) {
  EnableItem(ItemOf(control), enabled);
  if (control == MainControl::FolderField) EnableItem(IDC_CHOOSE_FOLDER, enabled);
}

void CMainDlg::SetToolTip(int id, const std::string& text) {
  if (!window_) return;
  if (!tooltips_) {
    tooltips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  // A disabled control hears no mouse: the tool is the dialog's area over it.
  RECT area{};
  GetWindowRect(GetDlgItem(window_, id), &area);
  MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
  std::wstring wide = platform::WideFromUtf8(text);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = static_cast<UINT_PTR>(id);
  tool.rect = area;
  tool.lpszText = wide.data();
  SendMessageW(tooltips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (!text.empty()) SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CMainDlg::ExplainDisabled(MainControl control, const std::string& reason) {
  // The reason is read out with the control's name and shown in its tooltip.
  SetToolTip(ItemOf(control), reason);
}

void CMainDlg::Show(MainControl control, bool shown) {
  ShowWindow(GetDlgItem(window_, ItemOf(control)), shown ? SW_SHOW : SW_HIDE);
  if (control == MainControl::ScanIndicator) {
    // The scan's Cancel comes and goes with it.
    EnableItem(IDC_CANCEL_SCAN, shown);
    ShowWindow(GetDlgItem(window_, IDC_CANCEL_SCAN), shown ? SW_SHOW : SW_HIDE);
  }
}

void CMainDlg::ShowBusy(bool busy) {
  busy_ = busy;
  ShowBusyCursor();
}

void CMainDlg::ShowBusyCursor() {
  // The cursor is chosen when it moves; one resting on the window is chosen again now.
  POINT point{};
  GetCursorPos(&point);
  const HWND under = WindowFromPoint(point);
  if (under == window_ || IsChild(window_, under)) {
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

std::optional<std::string> CMainDlg::ChooseFolder(const std::string& title, const std::string& startFolder) {
  return services_.files.ChooseFolder(window_, title, startFolder);
}

bool CMainDlg::ChooseFiles(JobKind kind, std::vector<std::string>& files, std::string& dialogFolder) {
  const auto list = kind == JobKind::AudioCd ? SourceFilesDlg::Kind::Audio : SourceFilesDlg::Kind::Video;
  return SourceFilesDlg(list, services_.files, files, dialogFolder).Choose(window_);
}

bool CMainDlg::ChooseAudioFiles(std::vector<std::string>& files, std::string& dialogFolder, DiscAtOnce& discAtOnce) {
  return SourceFilesDlg(SourceFilesDlg::Kind::Audio, services_.files, files, dialogFolder, &discAtOnce).Choose(window_);
}

std::optional<std::string> CMainDlg::ChooseImageToBurn() { return services_.files.ChooseDiscImage(window_); }

std::optional<desktop::SpeedChoice> CMainDlg::ChooseSpeed(const std::vector<std::string>& speeds, bool dataDisc,
                                                          const std::string& burning, int selected) {
  CSpeedSelectDlg dialog(speeds, dataDisc, burning, selected);
  int chosen = -1;
  if (!dialog.Choose(window_, chosen)) return std::nullopt;
  return desktop::SpeedChoice{chosen, dialog.leaveDiscOpen(), dialog.verify()};
}

std::optional<desktop::TrackChoice> CMainDlg::ChooseTracks(const std::vector<std::string>& lines,
                                                           const audio::GrabSettings& settings) {
  CTestGrabDlg dialog(lines, settings);
  if (!dialog.Choose(window_)) return std::nullopt;
  return desktop::TrackChoice{dialog.selectedTracks(), dialog.settings()};
}

void CMainDlg::OpenTray(virtualdrive::VirtualRecorder& recorder, const std::string& driveName) {
  CTrayDlg(recorder, driveName, services_.engine.trays(), services_.files, services_.prompt).Show(window_);
}

void CMainDlg::OpenDocument(const std::filesystem::path& document) {
  OpenWithShell(window_, document, services_.prompt);
}

bool CMainDlg::ConfirmLeaving(const std::string& question) {
  return ShowMessageBox(window_, question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace brenmark::win32
