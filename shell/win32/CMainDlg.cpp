#include "shell/win32/CMainDlg.h"

#include <functional>
#include <optional>

#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"
#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/DataDiscJob.h"
#include "shell/DesktopTexts.h"
#include "shell/Documentation.h"
#include "jobs/DriveLeases.h"
#include "shell/DriveNames.h"
#include "jobs/JobState.h"
#include "shell/SourceFolder.h"
#include "jobs/SpeedSelection.h"
#include "jobs/burn/VcdJob.h"
#include "shell/VirtualTrays.h"
#include "shell/win32/CAboutDlg.h"
#include "shell/win32/CProgressDlg.h"
#include "shell/win32/CSpeedSelectDlg.h"
#include "shell/win32/CTestGrabDlg.h"
#include "shell/win32/CTrayDlg.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"
#include "shell/win32/ShellOpen.h"
#include "shell/win32/SourceFilesDlg.h"
#include "shell/win32/UiDispatcher.h"
#include "shell/win32/Win32ProgressSink.h"
#include "shell/win32/Win32UserPrompt.h"
#include "shell/win32/resource.h"

namespace brenmark::win32 {

using namespace desktoptext;

namespace {

// How far each new progress window opens from the previous one: about the
// height of a title bar, so that every title stays readable.
constexpr int kCascadeStep = 28;

BackgroundWork::Post PostingTo(UiDispatcher& ui) {
  return [&ui](std::function<void()> call) { ui.Post(std::move(call)); };
}

}  // namespace

struct CMainDlg::JobEntry {
  std::unique_ptr<CProgressDlg> window;
  std::shared_ptr<Win32ProgressSink> progress;
  std::string title;
  bool running = true;
};

CMainDlg::CMainDlg(MainDlgServices services)
    : services_(services),
      scanWork_(PostingTo(services.ui), UiDispatcher::ServeMessages),
      reportWork_(PostingTo(services.ui), UiDispatcher::ServeMessages) {}

CMainDlg::~CMainDlg() {
  // Jobs, scans and reports report to the windows: let them end while the
  // windows are whole.
  WaitForJobs();
  jobEntries_.clear();
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

std::vector<HWND> CMainDlg::progressWindows() const {
  std::vector<HWND> windows;
  for (const auto& entry : jobEntries_) windows.push_back(entry->window->hwnd());
  return windows;
}

int CMainDlg::RunningJobs() const {
  int count = 0;
  for (const auto& entry : jobEntries_) count += entry->running ? 1 : 0;
  return count;
}

void CMainDlg::WaitForJobs() {
  while (RunningJobs() > 0) UiDispatcher::ServeMessages();
  scanWork_.WaitForAll();
  reportWork_.WaitForAll();
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
      if (LOWORD(lParam) != HTCLIENT || !SetBusyCursor()) return FALSE;
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
      return FALSE;
    default:
      return FALSE;
  }
}

void CMainDlg::OnInit() {
  services_.prompt.SetOwnerWindow(window_);
  wchar_t about[100] = L"";
  LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 100);
  if (about[0] != L'\0') {
    const HMENU systemMenu = GetSystemMenu(window_, FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
  }
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SetItemText(IDC_OUTPUT_EDIT, "");

  DriveRegistry& registry = services_.registry;
  registry.EnumerateDrives();
  const HWND combo = GetDlgItem(window_, IDC_DRIVE_COMBO);
  for (int index = 0; index < registry.driveCount; ++index) {
    SendMessageW(combo, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(platform::WideFromUtf8(ListedDriveName(registry.drive(index))).c_str()));
  }
  if (registry.currentDrive != -1) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(registry.currentDrive), 0);
  ShowWindow(GetDlgItem(window_, IDC_TRAY), VirtualRecorderAt(registry.currentDrive) ? SW_SHOW : SW_HIDE);
  services_.jobState.sourceTree.reset();
}

void CMainDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_DRIVE_COMBO:
      if (code == CBN_SELCHANGE) SelectDrive();
      return;
    case IDC_CHOOSE_FOLDER:
      return ChooseFolderToBurn();
    case IDC_CANCEL_SCAN:
      return CancelScan();
    case IDC_CHOOSE_OUTPUT:
      return ChooseOutputFolder();
    case IDC_BURN_CD:
      return BurnDataDisc(DataCdJob, id);
    case IDC_BURN_DVD:
      return BurnDataDisc(DataDvdJob, id);
    case IDC_AUDIO_RUN:
      return RunAudioTest();
    case IDC_VIDEO_RUN:
      return RunVideoTest();
    case IDC_GRAB_RUN:
      return RunGrabTest();
    case IDC_DISC_INFO:
      return RunReport(ShowDiscReport);
    case IDC_DEVICE_INFO:
      return RunReport(ShowDeviceReport);
    case IDC_ORDER:
      return Order();
    case IDC_TRAY:
      return ShowTray();
    case IDOK: {
      // Enter: the folder field takes what was typed; the output field keeps
      // it; anywhere else the window ends, as Exit does.
      const HWND focus = GetFocus();
      if (focus == GetDlgItem(window_, IDC_FOLDER_EDIT)) return TakeTypedFolder();
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
  if (RunningJobs() > 0) {
    if (ShowMessageBox(window_, kLeaveDuringJobQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
      return;
    }
    // The jobs finish first, their windows still shown; then the program ends.
    ShowWindow(window_, SW_HIDE);
    services_.prompt.SetOwnerWindow(nullptr);
    WaitForJobs();
  }
  if (modal_) {
    EndDialog(window_, IDCANCEL);
  } else {
    ShowWindow(window_, SW_HIDE);
  }
}

void CMainDlg::SelectDrive() {
  const auto index = SendDlgItemMessageW(window_, IDC_DRIVE_COMBO, CB_GETCURSEL, 0, 0);
  if (index < 0) return;
  services_.registry.currentDrive = static_cast<int>(index);
  ShowWindow(GetDlgItem(window_, IDC_TRAY), VirtualRecorderAt(static_cast<int>(index)) ? SW_SHOW : SW_HIDE);
}

void CMainDlg::ChooseFolderToBurn() {
  if (const auto folder = services_.files.ChooseFolder(window_, kFolderBrowserTitle)) ScanFolder(*folder);
}

void CMainDlg::TakeTypedFolder() {
  const std::string typed = ItemText(IDC_FOLDER_EDIT);
  if (typed.empty()) return;
  std::error_code error;
  const std::filesystem::path path = platform::PathFromUtf8(typed);
  if (!std::filesystem::is_directory(path, error)) {
    services_.prompt.ShowMessage(NotAFolderMessage(typed), MessageIcon::Warning);
    return;
  }
  ScanFolder(platform::Utf8FromPath(std::filesystem::absolute(path, error)));
}

void CMainDlg::ScanFolder(const std::string& folder) {
  // The tree is built on a thread of its own; Burn waits for it. Only the
  // latest choice counts: a cancelled or overtaken scan's tree is dropped.
  if (!scanning_) folderBeforeScan_ = ItemText(IDC_FOLDER_EDIT);
  SetItemText(IDC_FOLDER_EDIT, folder);
  const unsigned number = ++scanNumber_;
  ShowScanning(true);
  scanWork_.Run([folder] { return BuildSourceTree(folder); },
                [this, number](std::unique_ptr<datadisc::SourceTree> tree) {
                  if (number != scanNumber_) return;
                  services_.jobState.sourceTree = std::move(tree);
                  ShowScanning(false);
                });
}

void CMainDlg::CancelScan() {
  if (!scanning_) return;
  ++scanNumber_;
  SetItemText(IDC_FOLDER_EDIT, folderBeforeScan_);
  ShowScanning(false);
}

void CMainDlg::ShowScanning(bool scanning) {
  scanning_ = scanning;
  ShowWindow(GetDlgItem(window_, IDC_SCAN_STATUS), scanning ? SW_SHOW : SW_HIDE);
  EnableItem(IDC_CANCEL_SCAN, scanning);
  ShowWindow(GetDlgItem(window_, IDC_CANCEL_SCAN), scanning ? SW_SHOW : SW_HIDE);
  EnableItem(IDC_BURN_CD, !scanning);
  EnableItem(IDC_BURN_DVD, !scanning);
  ShowBusyCursor();
}

void CMainDlg::ShowReportRunning(bool running) {
  // The report is about the current drive: the drive list waits for it.
  EnableItem(IDC_DRIVE_COMBO, !running);
  EnableItem(IDC_DISC_INFO, !running);
  EnableItem(IDC_DEVICE_INFO, !running);
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

bool CMainDlg::SetBusyCursor() {
  if (!scanning_ && !reportWork_.Busy()) return false;
  // The window still answers while it works: the arrow with the hourglass.
  SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
  return true;
}

void CMainDlg::ChooseOutputFolder() {
  if (const auto folder = services_.files.ChooseFolder(window_, kFolderBrowserTitle)) {
    SetItemText(IDC_OUTPUT_EDIT, *folder);
  }
}

void CMainDlg::BurnDataDisc(JobProcedure procedure, int commandId) {
  if (!services_.jobState.sourceTree) {
    services_.prompt.ShowMessage(kNoFolderMessage, MessageIcon::Plain);
    return;
  }
  if (!ChooseSpeed(true)) return;
  StartJob(std::move(procedure), commandId);
}

void CMainDlg::RunAudioTest() {
  SourceFilesDlg files(SourceFilesDlg::Kind::Audio, services_.files, services_.jobState.sourceFiles);
  if (!files.Choose(window_) || !ChooseSpeed()) return;
  StartJob(AudioCdJob, IDC_AUDIO_RUN);
}

void CMainDlg::RunVideoTest() {
  SourceFilesDlg files(SourceFilesDlg::Kind::Video, services_.files, services_.jobState.sourceFiles);
  if (!files.Choose(window_) || !ChooseSpeed()) return;
  StartJob(VcdJob, IDC_VIDEO_RUN);
}

bool CMainDlg::ChooseSpeed(bool dataDisc) {
  DriveRegistry& registry = services_.registry;
  SpeedSelection speeds;
  if (speeds.Load(registry, registry.currentDrive, services_.leases) == SpeedSelection::LoadResult::DriveBusy) {
    ShowBusyMessage();
    return false;
  }
  CSpeedSelectDlg dialog(speeds.entries(), dataDisc);
  int selected = -1;
  if (!dialog.Choose(window_, selected)) return false;
  speeds.Burn(registry, selected, dialog.leaveDiscOpen());
  return true;
}

void CMainDlg::RunGrabTest() {
  JobState& state = services_.jobState;
  state.outputFolder = ItemText(IDC_OUTPUT_EDIT);
  if (state.outputFolder.empty()) {
    services_.prompt.ShowMessage(kNoOutputFolderMessage, MessageIcon::Plain);
    return;
  }
  std::optional<std::vector<std::string>> lines =
      audio::ReadTrackListLines(services_.registry, services_.leases, services_.registry.currentDrive, services_.prompt);
  if (!lines) {
    ShowBusyMessage();
    return;
  }
  CTestGrabDlg dialog(std::move(*lines));
  if (!dialog.Choose(window_)) return;
  state.trackSelected = dialog.selectedTracks();
  state.grabSettings = dialog.settings();
  StartJob(audio::GrabJob, IDC_GRAB_RUN);
}

void CMainDlg::StartJob(JobProcedure procedure, int commandId) {
  DriveRegistry& registry = services_.registry;
  const int drive = registry.currentDrive;
  const std::string driveName = registry.HasDrive(drive) ? ShortDriveName(registry.drive(drive)) : "no drive";
  auto entry = std::make_unique<JobEntry>();
  entry->title = "Current Progress - " + JobName(commandId) + " on " + driveName;
  entry->window = std::make_unique<CProgressDlg>(window_, entry->title);
  entry->progress = std::make_shared<Win32ProgressSink>(services_.ui, *entry->window);
  // The job reports its end from its own thread; the window learns of it on
  // this one, after every progress update the job made before.
  JobEntry* ended = entry.get();
  const auto job = services_.jobs.Start(std::move(procedure), SnapshotJobInputs(services_.jobState, registry),
                                        entry->progress, [this, ended](JobEnd result) {
                                          services_.ui.Post([this, ended, result] { JobEnded(*ended, result); });
                                        });
  if (!job) return;
  // Each window opens a step below and to the right of the previous one.
  if (!jobEntries_.empty()) {
    RECT previous{};
    GetWindowRect(jobEntries_.back()->window->hwnd(), &previous);
    SetWindowPos(entry->window->hwnd(), nullptr, previous.left + kCascadeStep, previous.top + kCascadeStep, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  }
  entry->window->Show();
  jobEntries_.push_back(std::move(entry));
}

void CMainDlg::JobEnded(JobEntry& entry, JobEnd result) {
  entry.running = false;
  entry.progress->Flush();
  // The title says how the job ended; the window comes back to say it.
  entry.window->SetTitle(entry.title + " - " + OutcomeText(result));
  entry.window->Show();
}

void CMainDlg::RunReport(bool (*report)(DriveRegistry&, UserPrompt&)) {
  // The report holds the drive's lease, so it never talks to a drive a job is using.
  // Its queries run on a thread of their own, holding the lease until its box
  // has been closed; the window stays responsive meanwhile.
  const int drive = services_.registry.currentDrive;
  std::optional<DriveLeases::Lease> lease;
  if (drive >= 0 && !(lease = services_.leases.TryAcquire(drive))) {
    ShowBusyMessage();
    return;
  }
  ShowReportRunning(true);
  reportWork_.Run(
      [report, &registry = services_.registry, &prompt = services_.prompt, lease = std::move(lease)]() mutable {
        report(registry, prompt);
        lease.reset();
      },
      [this] { ShowReportRunning(false); });
}

void CMainDlg::Order() {
  const std::filesystem::path documentation = DocumentationPath();
  if (documentation.empty()) {
    services_.prompt.ShowMessage(
        DocumentationMissingMessage(platform::Utf8FromPath(InstalledDocumentationPath().make_preferred())),
        MessageIcon::Warning);
    return;
  }
  OpenWithShell(window_, documentation, services_.prompt);
}

void CMainDlg::ShowTray() {
  const int drive = services_.registry.currentDrive;
  virtualdrive::VirtualRecorder* recorder = VirtualRecorderAt(drive);
  if (!recorder) return;
  // A disc is not swapped under a running job.
  const auto lease = services_.leases.TryAcquire(drive);
  if (!lease) {
    ShowBusyMessage();
    return;
  }
  CTrayDlg(*recorder, ListedDriveName(services_.registry.drive(drive)), services_.trays, services_.files,
           services_.prompt)
      .Show(window_);
}

void CMainDlg::ShowBusyMessage() { services_.prompt.ShowMessage(DriveLeases::kBusyMessage, MessageIcon::Warning); }

virtualdrive::VirtualRecorder* CMainDlg::VirtualRecorderAt(int drive) {
  return services_.trays.RecorderAt(services_.registry, drive);
}

std::string CMainDlg::ItemText(int id) const { return WindowText(GetDlgItem(window_, id)); }

void CMainDlg::EnableItem(int id, bool enabled) {
  const HWND item = GetDlgItem(window_, id);
  // Focus left on a disabled control would take no keys: it moves on first.
  if (!enabled && GetFocus() == item) SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(item, enabled);
}

void CMainDlg::SetItemText(int id, const std::string& text) {
  SetDlgItemTextW(window_, id, platform::WideFromUtf8(text).c_str());
}

}  // namespace brenmark::win32
