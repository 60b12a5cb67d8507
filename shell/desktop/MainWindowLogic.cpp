#include "shell/desktop/MainWindowLogic.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>
#include <utility>

#include "datadisc/SourceTree.h"
#include "jobs/DriveLeases.h"
#include "jobs/SpeedSelection.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/AudioCdSaoJob.h"
#include "jobs/burn/ImageBurnJob.h"
#include "jobs/burn/DataDiscJob.h"
#include "jobs/burn/VcdJob.h"
#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "jobs/grab/OutputFolder.h"
#include "platform/FileSystem.h"
#include "platform/Utf8Path.h"
#include "reports/DeviceReport.h"
#include "reports/DiscReport.h"
#include "shell/Documentation.h"
#include "shell/DriveNames.h"
#include "shell/SourceFolder.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/desktop/FolderRoom.h"
#include "shell/desktop/HomeFolder.h"
#include "shell/desktop/TitledPrompt.h"
#include "virtualdrive/VirtualRecorder.h"

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
    case JobKind::DiscImage:
      return ImageBurnJob;
  }
  return {};
}

// The text of a folder field without the blanks around it, "~" read as the home folder.
std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return ExpandHome(text.substr(first, text.find_last_not_of(" \t") - first + 1), HomeFolder());
}

// A typed folder as an absolute path without "." or ".." steps or a separator at its end.
std::filesystem::path AbsoluteFolder(const std::filesystem::path& typed) {
  std::error_code error;
  std::filesystem::path folder = std::filesystem::absolute(typed, error).lexically_normal();
  if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  return folder.make_preferred();
}

// The folder `text` names, made absolute, when it is a folder now; else empty.
std::string ExistingFolder(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return {};
  const std::filesystem::path path = platform::PathFromUtf8(trimmed);
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) return {};
  return platform::Utf8FromPath(AbsoluteFolder(path));
}

// Where the folder browser of a field opens: in the field's folder, else in
// the one remembered for it.
std::string StartFolder(const std::string& fieldText, const std::string& remembered) {
  std::string folder = ExistingFolder(fieldText);
  return folder.empty() ? ExistingFolder(remembered) : folder;
}

}  // namespace

MainWindowLogic::MainWindowLogic(EngineSession& engine, MainWindowView& view, JobBoardView& jobWindows, UiThread ui,
                                 SettingsStore& settings)
    : engine_(engine),
      view_(view),
      settings_(settings),
      board_(engine.jobs(), engine.trays(), jobWindows, ui),
      scanWork_(ui.post, ui.serveEvents),
      reportWork_(ui.post, ui.serveEvents) {}

MainWindowLogic::~MainWindowLogic() {
  scanWork_.RequestStop();
  WaitForJobs();
}

void MainWindowLogic::WaitForJobs() {
  board_.WaitForJobs();
  scanWork_.WaitForAll();
  reportWork_.WaitForAll();
}

void MainWindowLogic::Open() {
  DriveRegistry& registry = engine_.registry();
  std::vector<std::string> names;
  for (int index = 0; index < registry.driveCount; ++index) names.push_back(ListedDriveName(registry.drive(index)));
  // A drive chosen in an earlier run that is gone now leaves the first chosen.
  const auto remembered = std::find(names.begin(), names.end(), settings_.Read(SettingsStore::kDrive));
  if (remembered != names.end()) {
    registry.currentDrive = static_cast<int>(remembered - names.begin());
  } else if (!names.empty()) {
    registry.currentDrive = 0;
  }
  view_.ShowDrives(names, registry.currentDrive);
  ShowDriveControls(registry.currentDrive);
  view_.Show(MainControl::ScanIndicator, false);
  view_.Enable(MainControl::JobsMenu, !board_.Menu().lines.empty());
  // The remembered folder is scanned when Burn is pressed, as a typed one is;
  // Cancel of another folder's scan puts it back.
  scannedFolder_ = ExistingFolder(settings_.Read(SettingsStore::kFolderToBurn));
  view_.SetFolderText(scannedFolder_);
  view_.SetOutputText(ExistingFolder(settings_.Read(SettingsStore::kOutputFolder)));
  engine_.jobState().sourceTree.reset();
}

void MainWindowLogic::SelectDrive(int index) {
  DriveRegistry& registry = engine_.registry();
  if (!registry.HasDrive(index)) return;
  registry.currentDrive = index;
  settings_.Write(SettingsStore::kDrive, ListedDriveName(registry.drive(index)));
  ShowDriveControls(index);
}

void MainWindowLogic::ShowDriveControls(int index) {
  DriveRegistry& registry = engine_.registry();
  view_.Show(MainControl::TrayButton, engine_.RecorderAt(index) != nullptr);
  // Audio CDs and Video CDs need a recorder that writes CDs: a virtual one
  // whose blanks are CDs, a real one that says it writes them (or whose
  // capabilities could not be read: it is given the benefit of the doubt).
  // Data CDs and DVDs likewise follow the media the recorder writes.
  bool writesCds = true;
  bool writesDvds = true;
  if (const virtualdrive::VirtualRecorder* recorder = engine_.RecorderAt(index)) {
    writesCds = virtualdrive::IsCdMedium(recorder->model().blankKind);
    writesDvds = !writesCds;
  } else if (registry.HasDrive(index)) {
    const Drive& drive = registry.drive(index);
    writesCds = !drive.capabilitiesRead || drive.canWriteCdR != 0 || drive.canWriteCdRw != 0;
    writesDvds = !drive.capabilitiesRead || drive.canWriteDvdR != 0 || drive.canWriteDvdRam != 0;
  }
  writesCds_ = writesCds;
  writesDvds_ = writesDvds;
  view_.Enable(MainControl::AudioCdTest, writesCds);
  view_.Enable(MainControl::VideoCdTest, writesCds);
  view_.ExplainDisabled(MainControl::AudioCdTest, writesCds ? std::string() : kWritesNoCdsReason);
  view_.ExplainDisabled(MainControl::VideoCdTest, writesCds ? std::string() : kWritesNoCdsReason);
  ShowBurnButtons();
}

void MainWindowLogic::ShowBurnButtons() {
  view_.Enable(MainControl::BurnCd, writesCds_ && !scanning_);
  view_.Enable(MainControl::BurnDvd, writesDvds_ && !scanning_);
  const auto reason = [this](bool writes, const char* writesNot) {
    if (!writes) return std::string(writesNot);
    return scanning_ ? std::string(kScanRunsReason) : std::string();
  };
  view_.ExplainDisabled(MainControl::BurnCd, reason(writesCds_, kWritesNoCdsReason));
  view_.ExplainDisabled(MainControl::BurnDvd, reason(writesDvds_, kWritesNoDvdsReason));
}

void MainWindowLogic::ChooseFolderToBurn() {
  const std::string start = StartFolder(view_.FolderText(), settings_.Read(SettingsStore::kFolderToBurn));
  if (const auto folder = view_.ChooseFolder(kFolderBrowserTitle, start)) ScanFolder(*folder);
}

void MainWindowLogic::TakeTypedFolder() {
  if (const auto folder = TypedFolder()) ScanFolder(*folder);
}

std::optional<std::string> MainWindowLogic::TypedFolder() {
  const std::string typed = Trimmed(view_.FolderText());
  if (typed.empty()) return std::nullopt;
  std::filesystem::path path = platform::PathFromUtf8(typed);
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) {
    engine_.prompt().ShowMessage(NotAFolderMessage(platform::Utf8FromPath(path.make_preferred())), MessageIcon::Warning);
    return std::nullopt;
  }
  return platform::Utf8FromPath(AbsoluteFolder(path));
}

void MainWindowLogic::ScanFolder(const std::string& folder) {
  // The tree is built on a thread of its own; Burn waits for it. Only the
  // latest choice counts: an earlier scan still running is stopped, and a
  // cancelled or overtaken scan's tree is dropped.
  scanWork_.RequestStop();
  pendingBurn_.reset();
  view_.SetFolderText(folder);
  const unsigned number = ++scanNumber_;
  ShowScanning(true);
  scanWork_.Run([folder](std::stop_token stop) { return BuildSourceTree(folder, std::move(stop)); },
                [this, number, folder](std::unique_ptr<datadisc::SourceTree> tree) {
                  if (number != scanNumber_) return;
                  engine_.jobState().sourceTree = std::move(tree);
                  scannedFolder_ = folder;
                  settings_.Write(SettingsStore::kFolderToBurn, folder);
                  ShowScanning(false);
                  if (const auto burn = std::exchange(pendingBurn_, std::nullopt)) BurnScannedFolder(*burn);
                });
}

void MainWindowLogic::CancelScan() {
  if (!scanning_) return;
  // The field shows again the folder whose tree a burn would take.
  StopScan();
  view_.SetFolderText(scannedFolder_);
}

void MainWindowLogic::StopScan() {
  scanWork_.RequestStop();
  pendingBurn_.reset();
  ++scanNumber_;
  ShowScanning(false);
}

void MainWindowLogic::ShowScanning(bool scanning) {
  scanning_ = scanning;
  view_.Show(MainControl::ScanIndicator, scanning);
  ShowBurnButtons();
  // The field is locked only while Burn waits for its scan: see BurnDataDisc.
  if (!scanning) view_.Enable(MainControl::FolderField, true);
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
  const std::string start = StartFolder(view_.OutputText(), settings_.Read(SettingsStore::kOutputFolder));
  if (const auto folder = view_.ChooseFolder(kFolderBrowserTitle, start)) {
    view_.SetOutputText(*folder);
    settings_.Write(SettingsStore::kOutputFolder, *folder);
  }
}

void MainWindowLogic::BurnDataDisc(JobKind kind) {
  // The folder the field shows is burned: the one whose tree is held, or a
  // path typed over it, which is scanned first and burned once its scan ends.
  if (Trimmed(view_.FolderText()).empty()) {
    engine_.prompt().ShowMessage(kNoFolderMessage, MessageIcon::Plain);
    return;
  }
  if (engine_.jobState().sourceTree && view_.FolderText() == scannedFolder_) {
    BurnScannedFolder(kind);
    return;
  }
  const auto folder = TypedFolder();
  if (!folder) return;
  ScanFolder(*folder);
  pendingBurn_ = kind;
  // The folder being scanned is the one burned: the field cannot change under
  // it until the scan ends or is cancelled.
  view_.Enable(MainControl::FolderField, false);
}

void MainWindowLogic::BurnScannedFolder(JobKind kind) {
  // A field changed since its scan is scanned again: the folder shown is the one burned.
  if (view_.FolderText() != scannedFolder_) {
    BurnDataDisc(kind);
    return;
  }
  if (!FolderFits()) return;
  const datadisc::SourceTree* tree = engine_.jobState().sourceTree.get();
  const std::string burning = BurningFolderText(scannedFolder_, tree ? FolderBytes(*tree) : 0);
  // Only a CD is left open for more sessions.
  if (!ChooseSpeed(kind == JobKind::DataCd, burning)) return;
  StartJob(kind);
}

bool MainWindowLogic::FolderFits() {
  const datadisc::SourceTree* tree = engine_.jobState().sourceTree.get();
  DriveRegistry& registry = engine_.registry();
  const int drive = registry.currentDrive;
  if (!tree || !registry.HasDrive(drive)) return true;
  std::optional<std::int64_t> freeBlocks;
  {
    const auto lease = engine_.leases().TryAcquire(drive);
    if (!lease) {
      ShowBusyMessage();
      return false;
    }
    freeBlocks = FreeDiscBlocks(registry, drive);
  }
  const std::int64_t needed = FolderBlocks(*tree);
  if (!freeBlocks || needed <= *freeBlocks) return true;
  engine_.prompt().ShowMessage(FolderDoesNotFitMessage(scannedFolder_, needed, *freeBlocks), MessageIcon::Warning);
  return false;
}

void MainWindowLogic::BurnFiles(JobKind kind) {
  const char* key = kind == JobKind::AudioCd ? SettingsStore::kAudioFilesFolder : SettingsStore::kVideoFilesFolder;
  std::string dialogFolder = ExistingFolder(settings_.Read(key));
  JobState& state = engine_.jobState();
  const bool chosen = kind == JobKind::AudioCd
                          ? view_.ChooseAudioFiles(state.sourceFiles, dialogFolder, state.discAtOnce)
                          : view_.ChooseFiles(kind, state.sourceFiles, dialogFolder);
  if (!dialogFolder.empty()) settings_.Write(key, dialogFolder);
  if (!chosen || !ChooseSpeed(false, "Files: " + SourceFilesText(state.sourceFiles))) return;
  StartJob(kind);
}

void MainWindowLogic::BurnImage() {
  const std::optional<std::string> image = view_.ChooseImageToBurn();
  if (!image || !ChooseSpeed(false, "Image: " + *image)) return;
  engine_.jobState().sourceFiles = {*image};
  StartJob(JobKind::DiscImage);
}

bool MainWindowLogic::ChooseSpeed(bool leaveOpenOffered, const std::string& burning) {
  DriveRegistry& registry = engine_.registry();
  SpeedSelection speeds;
  if (speeds.Load(registry, registry.currentDrive, engine_.leases()) == SpeedSelection::LoadResult::DriveBusy) {
    ShowBusyMessage();
    return false;
  }
  // The speed chosen last is offered first, where the drive still offers it.
  const std::vector<std::string>& entries = speeds.entries();
  const auto remembered = std::find(entries.begin(), entries.end(), settings_.Read(SettingsStore::kSpeed));
  const int selected = remembered == entries.end() ? 0 : static_cast<int>(remembered - entries.begin());
  const std::optional<SpeedChoice> choice = view_.ChooseSpeed(entries, leaveOpenOffered, burning, selected);
  if (!choice) return false;
  if (choice->index >= 0 && static_cast<std::size_t>(choice->index) < entries.size()) {
    settings_.Write(SettingsStore::kSpeed, entries[static_cast<std::size_t>(choice->index)]);
  }
  speeds.Burn(engine_.jobState(), choice->index, choice->leaveDiscOpen);
  engine_.jobState().verify = choice->verify;
  return true;
}

void MainWindowLogic::GrabAudio() {
  JobState& state = engine_.jobState();
  state.outputFolder = ExpandHome(view_.OutputText(), HomeFolder());
  if (state.outputFolder.empty()) {
    engine_.prompt().ShowMessage(kNoOutputFolderMessage, MessageIcon::Plain);
    return;
  }
  // Refused before the drive is read: a folder that takes no files (a
  // missing one is offered to be made by the job).
  const std::filesystem::path output = platform::PathFromUtf8(state.outputFolder);
  std::error_code error;
  std::string reason;
  if (std::filesystem::is_directory(output, error) && !platform::CanWriteInFolder(output, reason)) {
    engine_.prompt().ShowMessage(OutputNotWritableMessage(state.outputFolder, reason), MessageIcon::Warning);
    return;
  }
  // Nor is a folder offered to be made where a file stands in its path.
  if (const std::string obstacle = audio::WhyFolderCannotBeMade(output); !obstacle.empty()) {
    engine_.prompt().ShowMessage(audio::grabtext::kFolderNotCreated + obstacle + ".", MessageIcon::Warning);
    return;
  }
  DriveRegistry& registry = engine_.registry();
  const std::optional<audio::DiscTrackList> list =
      audio::ReadTrackList(registry, engine_.leases(), registry.currentDrive, engine_.prompt());
  if (!list) {
    ShowBusyMessage();
    return;
  }
  // An empty tray, a blank or data-only disc and an unreadable one have been told apart.
  if (list->failed) return;
  const std::optional<TrackChoice> choice = view_.ChooseTracks(list->lines, RememberedGrabSettings());
  if (!choice) return;
  state.trackSelected = choice->trackSelected;
  state.grabSettings = choice->settings;
  settings_.Write(SettingsStore::kGrabFormat, choice->settings.format == audio::GrabFormat::Mp3 ? "mp3" : "wav");
  settings_.Write(SettingsStore::kGrabBitrate, std::to_string(choice->settings.bitrateKbps));
  settings_.Write(SettingsStore::kOutputFolder, platform::Utf8FromPath(AbsoluteFolder(output)));
  StartJob(JobKind::AudioGrab);
}

audio::GrabSettings MainWindowLogic::RememberedGrabSettings() {
  // What is not remembered, or no longer offered, starts as the dialog's default.
  const bool mp3 = settings_.Read(SettingsStore::kGrabFormat) == "mp3";
  const std::string text = settings_.Read(SettingsStore::kGrabBitrate);
  std::int32_t kbps = 0;
  std::from_chars(text.data(), text.data() + text.size(), kbps);
  return audio::DialogGrabSettings(mp3, audio::Mp3BitrateEntry(kbps));
}

void MainWindowLogic::StartJob(JobKind kind) {
  DriveRegistry& registry = engine_.registry();
  const int drive = registry.currentDrive;
  const std::string driveName = registry.HasDrive(drive) ? ShortDriveName(registry.drive(drive)) : "no drive";
  const bool discAtOnce = kind == JobKind::AudioCd && engine_.jobState().discAtOnce.enabled;
  if (board_.Start(discAtOnce ? JobProcedure(AudioCdSaoJob) : ProcedureOf(kind), SnapshotJobInputs(engine_.jobState(), registry), JobName(kind), driveName,
                   engine_.RecorderAt(drive), SourceOf(kind),
                   kind == JobKind::AudioGrab ? platform::PathFromUtf8(engine_.jobState().outputFolder)
                                              : std::filesystem::path())) {
    view_.Enable(MainControl::JobsMenu, true);
  }
}

std::string MainWindowLogic::SourceOf(JobKind kind) const {
  const JobState& state = engine_.jobState();
  switch (kind) {
    case JobKind::DataCd:
    case JobKind::DataDvd:
      return scannedFolder_;
    case JobKind::AudioCd:
    case JobKind::VideoCd:
      return SourceFilesText(state.sourceFiles);
    case JobKind::AudioGrab:
      return "to " + state.outputFolder;
    case JobKind::DiscImage:
      return state.sourceFiles.empty() ? std::string() : state.sourceFiles.front();
  }
  return {};
}

void MainWindowLogic::RunReport(bool (*report)(DriveRegistry&, UserPrompt&), const char* reportName) {
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
  const std::string driveName = registry.HasDrive(drive) ? ShortDriveName(registry.drive(drive)) : std::string();
  ShowReportRunning(true);
  reportWork_.Run(
      [report, &registry, prompt = TitledPrompt(engine_.prompt(), ReportTitle(reportName, driveName)),
       lease = std::move(lease)]() mutable {
        report(registry, prompt);
        lease.reset();
      },
      [this] { ShowReportRunning(false); });
}

void MainWindowLogic::ShowDiscReport() { RunReport(brenmark::ShowDiscReport, kDiscReportName); }

void MainWindowLogic::ShowDeviceReport() { RunReport(brenmark::ShowDeviceReport, kDeviceReportName); }

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
  // A disc is not swapped under a running job. Programs holding the
  // recorder's exposed device open leave the tray to the user between their
  // commands: each action of the dialog then takes its turn among them.
  const auto lease = engine_.leases().TryAcquire(drive);
  if (!lease && !recorder->HeldThroughDevice()) {
    ShowBusyMessage();
    return;
  }
  view_.OpenTray(*recorder, ListedDriveName(registry.drive(drive)));
}

void MainWindowLogic::ClearEndedJobs() {
  board_.ClearEnded();
  view_.Enable(MainControl::JobsMenu, !board_.Menu().lines.empty());
}

bool MainWindowLogic::MayLeave() {
  if (RunningJobs() > 0 && !view_.ConfirmLeaving(kLeaveDuringJobQuestion)) return false;
  // Nothing waits for a scan once the window goes: it stops, so that the
  // program ends with its windows.
  if (scanning_) StopScan();
  return true;
}

void MainWindowLogic::ShowBusyMessage() {
  engine_.prompt().ShowMessage(engine_.leases().RefusalMessage(engine_.registry().currentDrive), MessageIcon::Warning);
}

}  // namespace brenmark::desktop
