#include "shell/desktop/MainWindowLogic.h"

#include <optional>
#include <system_error>

#include "datadisc/SourceTree.h"
#include "jobs/DriveLeases.h"
#include "jobs/SpeedSelection.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/DataDiscJob.h"
#include "jobs/burn/VcdJob.h"
#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "platform/Utf8Path.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "shell/Documentation.h"
#include "shell/DriveNames.h"
#include "shell/SourceFolder.h"
#include "shell/desktop/DesktopTexts.h"

namespace brenmark::desktop {

using namespace desktoptext;

namespace {

JobProcedure ProcedureOf(JobKind kind) {
  switch (kind) {
    case JobKind::DataCd:
      return DataCdJob;
    case JobKind::DataDvd:
      return DataDvdJob;
    case JobKind::AudioCd:
      return AudioCdJob;
    case JobKind::VideoCd:
      return VcdJob;
    case JobKind::AudioGrab:
      return audio::GrabJob;
  }
  return {};
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A typed folder as an absolute path without "." or ".." steps or a separator at its end.
std::filesystem::path AbsoluteFolder(const std::filesystem::path& typed) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(typed, error).lexically_normal();
  if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  return folder.make_preferred();
}

}  // namespace

MainWindowLogic::MainWindowLogic(EngineSession& engine, MainWindowView& view, JobBoardView& jobWindows, UiThread ui)
    : engine_(engine),
      view_(view),
      board_(engine.jobs(), engine.trays(), jobWindows, ui),
      scanWork_(ui.post, ui.serveEvents),
      reportWork_(ui.post, ui.serveEvents) {}

MainWindowLogic::~MainWindowLogic() { WaitForJobs(); }

void MainWindowLogic::WaitForJobs() {
  board_.WaitForJobs();
  scanWork_.WaitForAll();
  reportWork_.WaitForAll();
}

void MainWindowLogic::Open() {
  DriveRegistry& registry = engine_.registry();
  std::vector<std::string> names;
  for (int index = 0; index < registry.driveCount; ++index) names.push_back(ListedDriveName(registry.drive(index)));
  view_.ShowDrives(names, registry.currentDrive);
  view_.Show(MainControl::TrayButton, engine_.RecorderAt(registry.currentDrive) != nullptr);
  view_.Show(MainControl::ScanIndicator, false);
  view_.Enable(MainControl::JobsMenu, !board_.jobs().empty());
  view_.SetOutputText("");
  engine_.jobState().sourceTree.reset();
  scannedFolder_.clear();
}

void MainWindowLogic::SelectDrive(int index) {
  if (!engine_.registry().HasDrive(index)) return;
  engine_.registry().currentDrive = index;
  view_.Show(MainControl::TrayButton, engine_.RecorderAt(index) != nullptr);
}

void MainWindowLogic::ChooseFolderToBurn() {
  if (const auto folder = view_.ChooseFolder(kFolderBrowserTitle)) ScanFolder(*folder);
}

void MainWindowLogic::TakeTypedFolder() {
  const std::string typed = Trimmed(view_.FolderText());
  if (typed.empty()) return;
  std::filesystem::path path = platform::PathFromUtf8(typed);
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) {
    engine_.prompt().ShowMessage(NotAFolderMessage(platform::Utf8FromPath(path.make_preferred())), MessageIcon::Warning);
    return;
  }
  ScanFolder(platform::Utf8FromPath(AbsoluteFolder(path)));
}

void MainWindowLogic::ScanFolder(const std::string& folder) {
  // The tree is built on a thread of its own; Burn waits for it. Only the
  // latest choice counts: a cancelled or overtaken scan's tree is dropped.
  if (!scanning_) folderBeforeScan_ = view_.FolderText();
  view_.SetFolderText(folder);
  const unsigned number = ++scanNumber_;
  ShowScanning(true);
  scanWork_.Run([folder](std::stop_token stop) { return BuildSourceTree(folder, std::move(stop)); },
                [this, number, folder](std::unique_ptr<datadisc::SourceTree> tree) {
                  if (number != scanNumber_) return;
                  engine_.jobState().sourceTree = std::move(tree);
                  scannedFolder_ = folder;
                  ShowScanning(false);
                });
}

void MainWindowLogic::CancelScan() {
  if (!scanning_) return;
  ++scanNumber_;
  view_.SetFolderText(folderBeforeScan_);
  ShowScanning(false);
}

void MainWindowLogic::ShowScanning(bool scanning) {
  scanning_ = scanning;
  view_.Show(MainControl::ScanIndicator, scanning);
  view_.Enable(MainControl::BurnCd, !scanning);
  view_.Enable(MainControl::BurnDvd, !scanning);
  view_.ShowBusy(scanning_ || reportWork_.Busy());
}

void MainWindowLogic::ShowReportRunning(bool running) {
  // The report is about the current drive: the drive list waits for it.
  view_.Enable(MainControl::DriveList, !running);
  view_.Enable(MainControl::DiscInfo, !running);
  view_.Enable(MainControl::DeviceInfo, !running);
  view_.ShowBusy(scanning_ || running);
}

void MainWindowLogic::ChooseOutputFolder() {
  if (const auto folder = view_.ChooseFolder(kFolderBrowserTitle)) view_.SetOutputText(*folder);
}

void MainWindowLogic::BurnDataDisc(JobKind kind) {
  // Only the folder the field shows is burned: a path typed over it (not yet
  // taken with Enter) or left by a failed choice chooses nothing.
  if (!engine_.jobState().sourceTree || view_.FolderText() != scannedFolder_) {
    engine_.prompt().ShowMessage(kNoFolderMessage, MessageIcon::Plain);
    return;
  }
  if (!ChooseSpeed(true)) return;
  StartJob(kind);
}

void MainWindowLogic::BurnFiles(JobKind kind) {
  if (!view_.ChooseFiles(kind, engine_.jobState().sourceFiles) || !ChooseSpeed(false)) return;
  StartJob(kind);
}

bool MainWindowLogic::ChooseSpeed(bool dataDisc) {
  DriveRegistry& registry = engine_.registry();
  SpeedSelection speeds;
  if (speeds.Load(registry, registry.currentDrive, engine_.leases()) == SpeedSelection::LoadResult::DriveBusy) {
    ShowBusyMessage();
    return false;
  }
  const std::optional<SpeedChoice> choice = view_.ChooseSpeed(speeds.entries(), dataDisc);
  if (!choice) return false;
  speeds.Burn(registry, choice->index, choice->leaveDiscOpen);
  engine_.jobState().verify = choice->verify;
  return true;
}

void MainWindowLogic::GrabAudio() {
  JobState& state = engine_.jobState();
  state.outputFolder = view_.OutputText();
  if (state.outputFolder.empty()) {
    engine_.prompt().ShowMessage(kNoOutputFolderMessage, MessageIcon::Plain);
    return;
  }
  DriveRegistry& registry = engine_.registry();
  const std::optional<std::vector<std::string>> lines =
      audio::ReadTrackListLines(registry, engine_.leases(), registry.currentDrive, engine_.prompt());
  if (!lines) {
    ShowBusyMessage();
    return;
  }
  const std::optional<TrackChoice> choice = view_.ChooseTracks(*lines);
  if (!choice) return;
  state.trackSelected = choice->trackSelected;
  state.grabSettings = choice->settings;
  StartJob(JobKind::AudioGrab);
}

void MainWindowLogic::StartJob(JobKind kind) {
  DriveRegistry& registry = engine_.registry();
  const int drive = registry.currentDrive;
  const std::string driveName = registry.HasDrive(drive) ? ShortDriveName(registry.drive(drive)) : "no drive";
  if (board_.Start(ProcedureOf(kind), SnapshotJobInputs(engine_.jobState(), registry), JobName(kind), driveName,
                   engine_.RecorderAt(drive))) {
    view_.Enable(MainControl::JobsMenu, true);
  }
}

void MainWindowLogic::RunReport(bool (*report)(DriveRegistry&, UserPrompt&)) {
  // The report's queries run on a thread of their own, holding the drive's
  // lease until its box has been closed, so they never talk to a drive a job
  // is using; the window stays responsive meanwhile.
  DriveRegistry& registry = engine_.registry();
  const int drive = registry.currentDrive;
  std::optional<DriveLeases::Lease> lease;
  if (registry.HasDrive(drive) && !(lease = engine_.leases().TryAcquire(drive))) {
    ShowBusyMessage();
    return;
  }
  ShowReportRunning(true);
  reportWork_.Run(
      [report, &registry, &prompt = engine_.prompt(), lease = std::move(lease)]() mutable {
        report(registry, prompt);
        lease.reset();
      },
      [this] { ShowReportRunning(false); });
}

void MainWindowLogic::ShowDiscReport() { RunReport(brenmark::ShowDiscReport); }

void MainWindowLogic::ShowDeviceReport() { RunReport(brenmark::ShowDeviceReport); }

void MainWindowLogic::OpenDocumentation() {
  const std::filesystem::path documentation = DocumentationPath();
  if (documentation.empty()) {
    engine_.prompt().ShowMessage(DocumentationMissingMessage(platform::Utf8FromPath(InstalledDocumentationPath().make_preferred())),
                      MessageIcon::Warning);
    return;
  }
  view_.OpenDocument(documentation);
}

void MainWindowLogic::OpenTray() {
  DriveRegistry& registry = engine_.registry();
  const int drive = registry.currentDrive;
  virtualdrive::VirtualRecorder* recorder = engine_.RecorderAt(drive);
  if (!recorder) return;
  // A disc is not swapped under a running job.
  const auto lease = engine_.leases().TryAcquire(drive);
  if (!lease) {
    ShowBusyMessage();
    return;
  }
  view_.OpenTray(*recorder, ListedDriveName(registry.drive(drive)));
}

bool MainWindowLogic::MayLeave() { return RunningJobs() == 0 || view_.ConfirmLeaving(kLeaveDuringJobQuestion); }

void MainWindowLogic::ShowBusyMessage() { engine_.prompt().ShowMessage(DriveLeases::kBusyMessage, MessageIcon::Warning); }

}  // namespace brenmark::desktop
