// The main window's decisions as both desktop programs make them, against the
// virtual recorders: the drive list and tray button, which folder a data disc
// burns, when Burn is enabled, which job each command starts, the reports and
// the tray under the drive's lease, and leaving while jobs run.
#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "datadisc/SourceTree.h"
#include "jobs/DriveLeases.h"
#include "jobs/grab/DiscTracks.h"
#include "jobs/grab/GrabJob.h"
#include "platform/FileSystem.h"
#include "shell/EngineSession.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/desktop/MainWindowLogic.h"
#include "shell/desktop/SettingsFile.h"
#include "tests/audio/WavBytes.h"
#include "tests/shell/desktop/DesktopDoubles.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempFolder.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::desktop::test {
namespace {

constexpr const char* kNoFolderMessage = "You have not select a folder to burn on disc.";
constexpr const char* kNoOutputFolderMessage = "Please select output folder to store files.";

class MainWindowLogicTest : public ::testing::Test {
 protected:
  MainWindowLogicTest() { logic.Open(); }

  // A folder with a file and a subfolder, ready to be burned.
  std::string MakeSourceFolder(const std::string& name) {
    const std::filesystem::path folder = sources.path() / name;
    std::filesystem::create_directories(folder / "sub");
    std::ofstream(folder / "readme.txt") << "hello disc\n";
    std::ofstream(folder / "sub" / "data.bin") << std::string(70000, 'x');
    return folder.string();
  }

  void ChooseFolder(const std::string& folder) {
    view.folders.push_back(folder);
    logic.ChooseFolderToBurn();
    ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsScanning(); }));
  }

  std::vector<std::string> Messages() const { return prompt.texts(); }

  testsupport::TempFolder discs{"logic-discs"};
  testsupport::TempFolder sources{"logic-sources"};
  brenmark::test::RecordingPrompt prompt;
  EngineSession engine{prompt, VirtualOnly(discs.path())};
  TestUiThread ui;
  ScriptedView view;
  RecordingJobWindows windows;
  // Kept in the data folder as the Windows program keeps them.
  SettingsFile settings{discs.path() / "brenmark.ini"};
  MainWindowLogic logic{engine, view, windows, ui.access(), settings};
};

TEST_F(MainWindowLogicTest, DriveListSelectsTheCurrentDriveAndOnlyDrivesThatExist) {
  EXPECT_EQ(view.drives, (std::vector<std::string>{"virtual-cd: Brenmark Virtual CD-RW",
                                                   "virtual-dvd: Brenmark Virtual DVD-R"}));
  EXPECT_EQ(view.selectedDrive, 0);
  EXPECT_TRUE(view.shown[MainControl::TrayButton]);
  EXPECT_FALSE(view.shown[MainControl::ScanIndicator]);
  EXPECT_FALSE(view.enabled[MainControl::JobsMenu]);
  EXPECT_EQ(view.outputText, "");

  EXPECT_TRUE(view.enabled[MainControl::AudioCdTest]);
  EXPECT_TRUE(view.enabled[MainControl::VideoCdTest]);

  // The DVD recorder writes no CDs: no audio CD or Video CD on it.
  logic.SelectDrive(1);
  EXPECT_EQ(engine.registry().currentDrive, 1);
  EXPECT_FALSE(view.enabled[MainControl::AudioCdTest]);
  EXPECT_FALSE(view.enabled[MainControl::VideoCdTest]);
  // An index the list does not hold selects nothing.
  logic.SelectDrive(2);
  logic.SelectDrive(-1);
  EXPECT_EQ(engine.registry().currentDrive, 1);
  logic.SelectDrive(0);
  EXPECT_TRUE(view.enabled[MainControl::AudioCdTest]);
}

// Each burn button follows the media the chosen recorder writes, and says why
// it is disabled.
TEST_F(MainWindowLogicTest, BurnButtonsFollowTheRecordersMediaAndSayWhyNot) {
  struct Case {
    int drive;
    bool burnCd, burnDvd;  // enabled, else disabled saying
    std::string cdReason, dvdReason;
  };
  const Case cases[] = {
      {1, false, true, desktoptext::kWritesNoCdsReason, ""},
      {0, true, false, "", desktoptext::kWritesNoDvdsReason},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drive);
    logic.SelectDrive(c.drive);
    EXPECT_EQ(view.enabled[MainControl::BurnCd], c.burnCd);
    EXPECT_EQ(view.enabled[MainControl::BurnDvd], c.burnDvd);
    EXPECT_EQ(view.reasons[MainControl::BurnCd], c.cdReason);
    EXPECT_EQ(view.reasons[MainControl::BurnDvd], c.dvdReason);
  }
  // A scan keeps a usable button disabled, saying so.
  view.folderText = MakeSourceFolder("scanned");
  logic.TakeTypedFolder();
  EXPECT_EQ(view.reasons[MainControl::BurnCd], desktoptext::kScanRunsReason);
}

// Burn burns what the field shows when the job starts: the field is locked
// while Burn waits for its scan, a field changed anyway is scanned again, the
// speed dialog names the folder and its size, and a folder whose files alone
// exceed the disc's free space is refused before it.
TEST_F(MainWindowLogicTest, BurnTakesTheFolderTheFieldShowsAndRefusesOneThatCannotFit) {
  const std::string first = MakeSourceFolder("first");
  const std::string second = MakeSourceFolder("second");
  view.folderText = first;
  logic.BurnDataDisc(JobKind::DataCd);
  EXPECT_FALSE(view.enabled[MainControl::FolderField]);
  // A front end that let the user type anyway: the new text is what is burned.
  view.folderText = second;
  ASSERT_TRUE(ui.ServeUntil([this] { return !view.burning.empty(); }));
  EXPECT_EQ(view.burning, std::vector<std::string>{"Folder: " + second + " (0.1 MB)"});
  EXPECT_TRUE(view.enabled[MainControl::FolderField]);

  // 21 minutes of CD hold about 184 MB; a 300 MB file alone does not fit.
  const std::string large = MakeSourceFolder("large");
  std::filesystem::resize_file(std::filesystem::path(large) / "sub" / "data.bin", 300u << 20);
  ASSERT_TRUE(engine.RecorderAt(0)->InsertBlank(virtualdrive::MediumKind::CdR, 21).ok);
  ChooseFolder(large);
  logic.BurnDataDisc(JobKind::DataCd);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("The folder " + large + " does not fit on the disc: its files need 300.0 MB, the disc has ", 0), 0u)
      << Messages()[0];
  EXPECT_EQ(view.burning.size(), 1u);
  EXPECT_FALSE(engine.leases().IsBusy(0));
}

// A run's choices come back in the next: the drive, each field's folder (put
// back by Cancel of another folder's scan), and where each folder and file
// dialog opens (the field's own folder first); a drive or folder that is gone
// since falls back silently.
TEST_F(MainWindowLogicTest, TheNextRunStartsWithWhatTheLastOneChose) {
  const std::string chosen = MakeSourceFolder("chosen");
  const std::string output = MakeSourceFolder("output");
  const std::string music = MakeSourceFolder("music");
  view.files.push_back(std::vector<std::string>{music + "/a.wav"});
  logic.BurnFiles(JobKind::AudioCd);  // the speed dialog is cancelled
  logic.SelectDrive(1);
  ChooseFolder(chosen);
  view.folders.push_back(output);
  logic.ChooseOutputFolder();

  // Opens the next run's window; what its fields showed then, and the folder
  // field after a scan's Cancel.
  const auto nextRun = [this, &music](ScriptedView& next) {
    SettingsFile stored{discs.path() / "brenmark.ini"};
    MainWindowLogic nextLogic{engine, next, windows, ui.access(), stored};
    nextLogic.Open();
    std::vector<std::string> fields{next.folderText, next.outputText};
    next.folders = {std::nullopt, music};
    nextLogic.ChooseFolderToBurn();
    next.folderText = music;
    nextLogic.ChooseFolderToBurn();
    nextLogic.CancelScan();
    fields.push_back(next.folderText);
    next.outputText.clear();
    nextLogic.ChooseOutputFolder();
    nextLogic.BurnFiles(JobKind::AudioCd);
    nextLogic.BurnFiles(JobKind::VideoCd);
    return fields;
  };
  ScriptedView next;
  EXPECT_EQ(nextRun(next), (std::vector<std::string>{chosen, output, chosen}));
  EXPECT_EQ(next.selectedDrive, 1);
  EXPECT_FALSE(next.enabled[MainControl::AudioCdTest]);
  EXPECT_EQ(next.folderStarts, (std::vector<std::string>{chosen, music, output}));
  EXPECT_EQ(next.fileDialogStarts, (std::vector<std::string>{music, ""}));

  std::filesystem::remove_all(chosen);
  settings.Write(SettingsStore::kDrive, "sr9: Gone Recorder");
  ScriptedView last;
  EXPECT_EQ(nextRun(last), (std::vector<std::string>{"", output, ""}));
  EXPECT_EQ(last.selectedDrive, 0);
  EXPECT_EQ(last.folderStarts, (std::vector<std::string>{"", music, output}));
  EXPECT_TRUE(Messages().empty());
}

// Burn burns the folder the field shows: an empty field or a path that is no
// folder is refused; a path typed over the chosen folder, without Enter, is
// scanned first and then burned; Burn waits while a scan runs.
TEST_F(MainWindowLogicTest, BurnTakesTheFolderTheFieldShows) {
  logic.BurnDataDisc(JobKind::DataCd);
  view.folderText = sources.path().string() + "/missing";
  logic.BurnDataDisc(JobKind::DataDvd);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kNoFolderMessage, view.folderText + " is not a folder."}));
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);
  EXPECT_FALSE(logic.IsScanning());

  const std::string chosen = MakeSourceFolder("chosen");
  view.folders.push_back(chosen);
  logic.ChooseFolderToBurn();
  EXPECT_EQ(view.folderText, chosen);
  EXPECT_TRUE(logic.IsScanning());
  EXPECT_FALSE(view.enabled[MainControl::BurnCd]);
  EXPECT_FALSE(view.enabled[MainControl::BurnDvd]);
  EXPECT_TRUE(view.shown[MainControl::ScanIndicator]);
  EXPECT_TRUE(view.busy);
  ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsScanning(); }));
  EXPECT_TRUE(view.enabled[MainControl::BurnCd]);
  EXPECT_FALSE(view.busy);
  ASSERT_NE(engine.jobState().sourceTree, nullptr);

  // Typed over the chosen folder (relative to the working folder), not taken
  // with Enter: Burn scans it, shows it made absolute, then asks for the speed.
  const std::string typed = MakeSourceFolder("typed");
  const std::filesystem::path workingFolder = std::filesystem::current_path();
  std::filesystem::current_path(sources.path());
  view.folderText = "typed";
  logic.BurnDataDisc(JobKind::DataCd);
  std::filesystem::current_path(workingFolder);
  EXPECT_EQ(view.folderText, typed);
  EXPECT_TRUE(logic.IsScanning());
  EXPECT_TRUE(view.speedLists.empty());
  ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsScanning(); }));
  ASSERT_EQ(view.speedOfferedLeaveOpen, std::vector<bool>{true});
  EXPECT_FALSE(view.speedLists[0].empty());
  EXPECT_EQ(engine.jobState().sourceTree->entries().front()->sourceName(), "typed");
  EXPECT_TRUE(windows.opened.empty());  // the speed dialog was cancelled

  // The held tree is burned without a new scan.
  logic.BurnDataDisc(JobKind::DataCd);
  EXPECT_FALSE(logic.IsScanning());
  EXPECT_EQ(view.speedLists.size(), 2u);
}

// Enter takes a typed folder: a file is refused and the earlier tree kept.
// Cancel stops the scan and puts back the folder taken before it, also when
// the field held a typed path; a pending burn goes with it. An overtaken
// scan is stopped and dropped.
TEST_F(MainWindowLogicTest, TypedFoldersCancelledAndOvertakenScans) {
  const std::string first = MakeSourceFolder("first");
  view.folderText = "  " + first + "/  ";
  logic.TakeTypedFolder();
  ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsScanning(); }));
  EXPECT_EQ(view.folderText, first);
  const datadisc::SourceTree* firstTree = engine.jobState().sourceTree.get();
  ASSERT_NE(firstTree, nullptr);
  EXPECT_EQ(firstTree->entries().size(), 1u);

  view.folderText = first + "/readme.txt";
  logic.TakeTypedFolder();
  EXPECT_EQ(Messages(), std::vector<std::string>{first + "/readme.txt is not a folder."});
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Warning);
  EXPECT_EQ(engine.jobState().sourceTree.get(), firstTree);

  view.folderText = MakeSourceFolder("second");
  logic.TakeTypedFolder();
  logic.CancelScan();
  EXPECT_FALSE(logic.IsScanning());
  EXPECT_EQ(view.folderText, first);
  view.folderText = MakeSourceFolder("burned-after-scan");
  logic.BurnDataDisc(JobKind::DataCd);
  logic.CancelScan();
  logic.WaitForJobs();  // the cancelled scans have ended and handed their trees over
  EXPECT_EQ(engine.jobState().sourceTree.get(), firstTree);
  EXPECT_EQ(view.folderText, first);
  EXPECT_TRUE(view.speedLists.empty());

  const std::string third = MakeSourceFolder("third");
  view.folders = {MakeSourceFolder("overtaken"), third};
  logic.ChooseFolderToBurn();
  logic.ChooseFolderToBurn();
  logic.WaitForJobs();
  EXPECT_FALSE(logic.IsScanning());
  EXPECT_EQ(view.folderText, third);
  ASSERT_NE(engine.jobState().sourceTree, nullptr);
  EXPECT_EQ(engine.jobState().sourceTree->entries().front()->sourceName(), "third");
  EXPECT_EQ(view.folderTitles, std::vector<std::string>(2, desktoptext::kFolderBrowserTitle));

  view.folders = {std::nullopt, third};
  logic.ChooseOutputFolder();
  EXPECT_EQ(view.outputText, "");
  logic.ChooseOutputFolder();
  EXPECT_EQ(view.outputText, third);
}

// Cancel, a new choice and leaving stop a scan: a scan of the whole file
// system, which would hold WaitForJobs for minutes, ends at its next entry.
TEST_F(MainWindowLogicTest, CancelNewChoiceAndLeavingStopTheScan) {
  const std::string root = std::filesystem::path("/").make_preferred().string();
  const auto stopsAfter = [this, &root](const std::function<void()>& stop) {
    view.folders = {root};
    logic.ChooseFolderToBurn();
    EXPECT_TRUE(logic.IsScanning());
    stop();
    logic.WaitForJobs();  // returns once the scan's thread has ended
    EXPECT_FALSE(logic.IsScanning());
  };
  stopsAfter([this] { logic.CancelScan(); });
  stopsAfter([this] { EXPECT_TRUE(logic.MayLeave()); });
  stopsAfter([this] {
    view.folders = {MakeSourceFolder("small")};
    logic.ChooseFolderToBurn();
  });
  EXPECT_EQ(view.folderText, MakeSourceFolder("small"));
  ASSERT_NE(engine.jobState().sourceTree, nullptr);
  EXPECT_EQ(engine.jobState().sourceTree->entries().front()->sourceName(), "small");
}

// A data CD through the speed dialog: the job is named after its command and
// drive, the Jobs menu lists it, and its end says where the disc is kept. The
// drive it holds refuses another burn, a report and the tray meanwhile.
TEST_F(MainWindowLogicTest, BurnStartsTheJobOfItsCommandAndTheBusyDriveRefusesOthers) {
  const std::string source = MakeSourceFolder("source");
  ChooseFolder(source);
  view.speeds = {SpeedChoice{0, false}};
  std::promise<void> release;
  windows.holdAt = "Initializing disc format...";
  windows.release = release.get_future().share();
  logic.BurnDataDisc(JobKind::DataCd);
  EXPECT_EQ(windows.opened, std::vector<std::string>{"Burn CD on virtual-cd"});
  EXPECT_EQ(windows.shown, windows.opened);
  const std::string started = logic.board().jobs()[0].startTime;
  EXPECT_EQ(windows.menu, std::vector<std::string>{started + " Burn CD on virtual-cd, " + source + " - running"});
  EXPECT_TRUE(view.enabled[MainControl::JobsMenu]);

  logic.BurnDataDisc(JobKind::DataCd);
  logic.ShowDeviceReport();
  logic.OpenTray();
  release.set_value();
  EXPECT_EQ(Messages(), std::vector<std::string>(3, DriveLeases::kBusyMessage));
  EXPECT_EQ(view.speedLists.size(), 1u);
  EXPECT_FALSE(logic.IsReportRunning());
  EXPECT_TRUE(view.trays.empty());
  EXPECT_EQ(logic.board().jobs().size(), 1u);

  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  ASSERT_EQ(windows.ended.size(), 1u);
  const JobEntry& ended = windows.ended[0];
  EXPECT_EQ(ended.end, JobEnd::Done);
  const std::filesystem::path kept = engine.trays().LastFinishedImage(engine.RecorderAt(0)).path;
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(ended.keptImage, kept);
  EXPECT_EQ(ended.folderToOpen, kept.parent_path());
  EXPECT_EQ(ended.resultLine, "Finished. The disc is kept as " + kept.string() + ".");
  EXPECT_EQ(windows.menu, std::vector<std::string>{started + " Burn CD on virtual-cd, " + source + " - Finished."});
  EXPECT_EQ(windows.progress[0]->record.statuses().back(), "Disc burned.");

  // A job that keeps no image is not credited with the one kept before it.
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnDataDisc(JobKind::DataDvd);
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  ASSERT_EQ(windows.ended.size(), 2u);
  EXPECT_NE(windows.ended[1].end, JobEnd::Done);
  EXPECT_TRUE(windows.ended[1].keptImage.empty());
  EXPECT_TRUE(windows.ended[1].folderToOpen.empty());
  EXPECT_EQ(windows.ended[1].resultLine, "Ended without completing.");
  EXPECT_EQ(windows.menu.back(), logic.board().jobs()[1].startTime + " Burn DVD on virtual-cd, " + source +
                                     " - Ended without completing.");
}

// The audio and video commands take their file lists and the speed, the grab
// its output folder and tracks; a cancelled dialog starts nothing.
TEST_F(MainWindowLogicTest, FileListsTracksAndTheirCancelledDialogs) {
  view.files = {std::vector<std::string>{"a.wav", "b.wav"}, std::nullopt};
  logic.BurnFiles(JobKind::AudioCd);
  logic.BurnFiles(JobKind::VideoCd);
  EXPECT_EQ(view.fileKinds, (std::vector<JobKind>{JobKind::AudioCd, JobKind::VideoCd}));
  EXPECT_EQ(engine.jobState().sourceFiles, (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(view.speedOfferedLeaveOpen, std::vector<bool>{false});

  view.outputText = "";
  logic.GrabAudio();
  EXPECT_EQ(Messages(), std::vector<std::string>{kNoOutputFolderMessage});
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);
  EXPECT_TRUE(view.trackLists.empty());

  // A blank disc has no tracks: no track dialog. A folder that takes no
  // files is refused before the drive is read.
  view.outputText = sources.path().string();
  logic.GrabAudio();
  EXPECT_EQ(engine.jobState().outputFolder, sources.path().string());
  // It is not told as a table of contents that cannot be read first.
  EXPECT_EQ(Messages(), (std::vector<std::string>{kNoOutputFolderMessage,
                                                  audio::kBlankDiscText}));
  // A disc that does not answer for its state and tracks is told as a table
  // of contents that cannot be read, and not as a blank one.
  const auto unreadable = virtualdrive::ParseFaultSpec("READDISCINFORMATION:count=2");
  ASSERT_TRUE(unreadable.spec) << unreadable.error;
  engine.RecorderAt(0)->ArmFault(*unreadable.spec);
  logic.GrabAudio();
  EXPECT_EQ(Messages().back(), audio::kTocReadFailedText);
  EXPECT_EQ(Messages().size(), 3u);
  // No file can be made in /proc, whoever runs the test.
  view.outputText = "/proc";
  logic.GrabAudio();
  std::string reason;
  ASSERT_FALSE(platform::CanWriteInFolder("/proc", reason));
  EXPECT_EQ(Messages().back(), desktoptext::OutputNotWritableMessage("/proc", reason));
  EXPECT_EQ(prompt.messages().back().icon, MessageIcon::Warning);
  // A folder under a file is refused with that reason, not offered to be made.
  std::ofstream(sources.path() / "a file") << "not a folder";
  view.outputText = (sources.path() / "a file" / "sub").string();
  logic.GrabAudio();
  EXPECT_EQ(Messages().back(),
            audio::grabtext::kFolderNotCreated + (sources.path() / "a file").string() + " is not a folder.");
  EXPECT_EQ(Messages().size(), 5u);
  EXPECT_TRUE(view.trackLists.empty());
  EXPECT_TRUE(windows.opened.empty());
  EXPECT_FALSE(engine.leases().IsBusy(0));
}

// Burn Image... burns the chosen image; the audio dialog's disc at once
// starts the session-at-once burn with the album's texts.
TEST_F(MainWindowLogicTest, ImageAndDiscAtOnceBurnsStartTheirJobs) {
  const std::filesystem::path iso = sources.path() / "disc.iso";
  std::ofstream(iso) << std::string(2048 * 20, 'i');
  view.images = {iso.string()};
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnImage();
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  EXPECT_EQ(windows.opened, std::vector<std::string>{"Burn Image on virtual-cd"});
  ASSERT_EQ(windows.ended.size(), 1u);
  EXPECT_EQ(windows.ended[0].end, JobEnd::Done);
  EXPECT_EQ(windows.progress.back()->record.statuses().back(), "Image burned.");

  const std::string wav = (sources.path() / "song.wav").string();
  audio::test::WriteBytes(wav, audio::test::CanonicalWav(audio::test::Samples(2352 * 300, 5)));
  view.files = {std::vector<std::string>{wav}};
  view.discAtOnce = DiscAtOnce{true, 0, "Album", "Band"};
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnFiles(JobKind::AudioCd);
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  ASSERT_EQ(windows.ended.size(), 2u);
  EXPECT_EQ(windows.ended[1].end, JobEnd::Done);
  const std::vector<std::string> statuses = windows.progress.back()->record.statuses();
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Writing the lead-in ..."), statuses.end());
  EXPECT_EQ(engine.jobState().discAtOnce.albumTitle, "Album");
}

// The speed and the grab's format and bit rate chosen last are offered first.
TEST_F(MainWindowLogicTest, TheSpeedAndGrabFormatChosenLastAreOfferedFirst) {
  const std::filesystem::path iso = sources.path() / "disc.iso";
  std::ofstream(iso) << std::string(2048 * 20, 'i');
  view.images = {iso.string(), iso.string()};
  view.speeds = {SpeedChoice{1, false}};
  logic.BurnImage();
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  logic.BurnImage();
  ASSERT_GE(view.speedLists.at(0).size(), 2u);
  EXPECT_EQ(view.speedSelected, (std::vector<int>{0, 1}));

  ASSERT_TRUE(engine.RecorderAt(0)->InsertImage(BRENMARK_TESTDATA_DIR "/cue/cdda.cue").ok);
  view.outputText = sources.path().string();
  const audio::GrabSettings mp3 = audio::DialogGrabSettings(true, audio::Mp3BitrateEntry(192));
  view.tracks = {TrackChoice{{}, mp3}};
  logic.GrabAudio();
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  logic.GrabAudio();
  EXPECT_EQ(view.trackSettings, (std::vector<audio::GrabSettings>{audio::GrabSettings{}, mp3}));
}

// A report holds the drive's lease and keeps the drive list waiting until its
// box has been closed; the window stays busy meanwhile.
TEST_F(MainWindowLogicTest, ReportHoldsTheDriveUntilItsBoxIsClosed) {
  logic.ShowDiscReport();
  // Until its end reaches this thread, however soon its own thread ends.
  EXPECT_FALSE(view.enabled[MainControl::DriveList]);
  EXPECT_FALSE(view.enabled[MainControl::DiscInfo]);
  EXPECT_FALSE(view.enabled[MainControl::DeviceInfo]);
  EXPECT_TRUE(view.busy);
  ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsReportRunning() && view.enabled[MainControl::DriveList]; }));
  EXPECT_FALSE(engine.leases().IsBusy(0));
  EXPECT_FALSE(view.busy);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_NE(prompt.messages()[0].text.find("Empty Disc"), std::string::npos) << prompt.messages()[0].text;
  EXPECT_EQ(prompt.messages()[0].title, "Disc Information - virtual-cd");

  // Each report is titled after itself and the drive it was asked of.
  logic.SelectDrive(1);
  logic.ShowDeviceReport();
  ASSERT_TRUE(ui.ServeUntil([this] { return !logic.IsReportRunning(); }));
  ASSERT_EQ(prompt.messages().size(), 2u);
  EXPECT_EQ(prompt.messages()[1].title, "Device Information - virtual-dvd");
  prompt.Forget();
  logic.SelectDrive(0);

  logic.OpenTray();
  EXPECT_EQ(view.trays, std::vector<std::string>{"virtual-cd: Brenmark Virtual CD-RW"});
  logic.OpenDocumentation();
  EXPECT_EQ(view.documents.size() + prompt.messages().size(), 1u);
}

TEST_F(MainWindowLogicTest, LeavingAsksOnlyWhileJobsRun) {
  EXPECT_TRUE(logic.MayLeave());
  EXPECT_TRUE(view.leavingQuestions.empty());

  ChooseFolder(MakeSourceFolder("source"));
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnDataDisc(JobKind::DataDvd);  // the CD recorder: a DVD is refused, but only once the job runs
  ASSERT_EQ(logic.RunningJobs(), 1);
  EXPECT_EQ(view.speedOfferedLeaveOpen, std::vector<bool>{false});  // a DVD is always closed
  view.leave = false;
  EXPECT_FALSE(logic.MayLeave());
  view.leave = true;
  EXPECT_TRUE(logic.MayLeave());
  EXPECT_EQ(view.leavingQuestions, std::vector<std::string>(2, desktoptext::kLeaveDuringJobQuestion));
  logic.WaitForJobs();
  ASSERT_EQ(windows.ended.size(), 1u);

  // Clearing the ended job leaves nothing in the Jobs menu, which goes.
  EXPECT_TRUE(view.enabled[MainControl::JobsMenu]);
  logic.ClearEndedJobs();
  EXPECT_EQ(windows.closed, std::vector<std::string>{"Burn DVD on virtual-cd"});
  EXPECT_FALSE(view.enabled[MainControl::JobsMenu]);
}

}  // namespace
}  // namespace brenmark::desktop::test
