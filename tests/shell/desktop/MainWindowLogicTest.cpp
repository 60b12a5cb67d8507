// The main window's decisions as both desktop programs make them, against the
// virtual recorders: the drive list and tray button, which folder a data disc
// burns, when Burn is enabled, which job each command starts, the reports and
// the tray under the drive's lease, and leaving while jobs run.
#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "datadisc/SourceTree.h"
#include "jobs/DriveLeases.h"
#include "shell/EngineSession.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/desktop/MainWindowLogic.h"
#include "tests/shell/desktop/DesktopDoubles.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempFolder.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::desktop::test {
namespace {

using desktoptext::kNoFolderMessage;

EngineSession::Options VirtualOnly(const std::filesystem::path& folder) {
  EngineSession::Options options;
  options.virtualRecorderFolder = folder;
  options.realDrives = false;
  return options;
}

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
  MainWindowLogic logic{engine, view, windows, ui.access()};
};

TEST_F(MainWindowLogicTest, DriveListSelectsTheCurrentDriveAndOnlyDrivesThatExist) {
  EXPECT_EQ(view.drives, (std::vector<std::string>{"virtual-cd: Brenmark Virtual CD-RW",
                                                   "virtual-dvd: Brenmark Virtual DVD-R"}));
  EXPECT_EQ(view.selectedDrive, 0);
  EXPECT_TRUE(view.shown[MainControl::TrayButton]);
  EXPECT_FALSE(view.shown[MainControl::ScanIndicator]);
  EXPECT_FALSE(view.enabled[MainControl::JobsMenu]);
  EXPECT_EQ(view.outputText, "");

  logic.SelectDrive(1);
  EXPECT_EQ(engine.registry().currentDrive, 1);
  // An index the list does not hold selects nothing.
  logic.SelectDrive(2);
  logic.SelectDrive(-1);
  EXPECT_EQ(engine.registry().currentDrive, 1);
}

// Burn burns the folder the field shows, and nothing else: not before a
// folder was chosen, not while its scan runs, not a path typed over it.
TEST_F(MainWindowLogicTest, BurnTakesOnlyTheFolderTheFieldShows) {
  logic.BurnDataDisc(JobKind::DataCd);
  view.folderText = MakeSourceFolder("typed");
  logic.BurnDataDisc(JobKind::DataDvd);
  EXPECT_EQ(Messages(), (std::vector<std::string>{kNoFolderMessage, kNoFolderMessage}));
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Plain);

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

  // A path typed over the chosen folder, not taken with Enter, is not burned
  // under the chosen folder's name.
  view.folderText = MakeSourceFolder("other");
  logic.BurnDataDisc(JobKind::DataCd);
  EXPECT_EQ(prompt.messages().size(), 3u);
  EXPECT_EQ(prompt.messages().back().text, kNoFolderMessage);
  EXPECT_TRUE(view.speedLists.empty());

  view.folderText = chosen;
  logic.BurnDataDisc(JobKind::DataCd);
  ASSERT_EQ(view.speedOfferedLeaveOpen, std::vector<bool>{true});
  EXPECT_FALSE(view.speedLists[0].empty());
  EXPECT_TRUE(windows.opened.empty());  // the speed dialog was cancelled
}

// Enter takes a typed folder: a file is refused and the earlier tree kept;
// Cancel during a scan brings the earlier text and tree back; a scan that an
// overtaking choice has replaced is dropped.
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

  view.folderText = first;
  view.folders = {MakeSourceFolder("second")};
  logic.ChooseFolderToBurn();
  logic.CancelScan();
  EXPECT_FALSE(logic.IsScanning());
  EXPECT_EQ(view.folderText, first);
  logic.WaitForJobs();  // the cancelled scan has ended and handed its tree over
  EXPECT_EQ(engine.jobState().sourceTree.get(), firstTree);

  const std::string third = MakeSourceFolder("third");
  view.folders = {MakeSourceFolder("overtaken"), third};
  logic.ChooseFolderToBurn();
  logic.ChooseFolderToBurn();
  logic.WaitForJobs();
  EXPECT_FALSE(logic.IsScanning());
  EXPECT_EQ(view.folderText, third);
  ASSERT_NE(engine.jobState().sourceTree, nullptr);
  EXPECT_EQ(engine.jobState().sourceTree->entries().front()->sourceName(), "third");
  EXPECT_EQ(view.folderTitles, std::vector<std::string>(3, desktoptext::kFolderBrowserTitle));

  view.folders = {std::nullopt, third};
  logic.ChooseOutputFolder();
  EXPECT_EQ(view.outputText, "");
  logic.ChooseOutputFolder();
  EXPECT_EQ(view.outputText, third);
}

// A data CD through the speed dialog: the job is named after its command and
// drive, the Jobs menu lists it, and its end says where the disc is kept. The
// drive it holds refuses another burn, a report and the tray meanwhile.
TEST_F(MainWindowLogicTest, BurnStartsTheJobOfItsCommandAndTheBusyDriveRefusesOthers) {
  ChooseFolder(MakeSourceFolder("source"));
  view.speeds = {SpeedChoice{0, false}};
  std::promise<void> release;
  windows.holdAt = "Initializing disc format...";
  windows.release = release.get_future().share();
  logic.BurnDataDisc(JobKind::DataCd);
  EXPECT_EQ(windows.opened, std::vector<std::string>{"Burn CD on virtual-cd"});
  EXPECT_EQ(windows.shown, windows.opened);
  EXPECT_EQ(windows.menu, std::vector<std::string>{"Burn CD on virtual-cd - running"});
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
  EXPECT_EQ(ended.resultLine, "Finished. The disc is kept as " + kept.string() + ".");
  EXPECT_EQ(windows.menu, std::vector<std::string>{"Burn CD on virtual-cd - ended"});
  EXPECT_EQ(windows.progress[0]->record.statuses().back(), "Disc burned.");

  // A job that keeps no image is not credited with the one kept before it.
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnDataDisc(JobKind::DataDvd);
  ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
  ASSERT_EQ(windows.ended.size(), 2u);
  EXPECT_NE(windows.ended[1].end, JobEnd::Done);
  EXPECT_TRUE(windows.ended[1].keptImage.empty());
  EXPECT_EQ(windows.ended[1].resultLine, "Ended without completing.");
  EXPECT_EQ(windows.menu, (std::vector<std::string>{"Burn CD on virtual-cd - ended", "Burn DVD on virtual-cd - ended"}));
}

// "Verify written data" in the speed dialog makes the job read its disc back
// and end with the summary; the box is asked anew for every burn.
TEST_F(MainWindowLogicTest, TheVerifyBoxReachesTheJob) {
  ChooseFolder(MakeSourceFolder("source"));
  view.speeds = {SpeedChoice{0, false, true}, SpeedChoice{0, false, false}};
  for (const char* last : {"Verified: 2 files, 0.1 MB, no differences.", "Disc burned."}) {
    logic.BurnDataDisc(JobKind::DataCd);
    ASSERT_TRUE(ui.ServeUntil([this] { return logic.RunningJobs() == 0; }));
    EXPECT_EQ(windows.ended.back().end, JobEnd::Done);
    EXPECT_EQ(windows.progress.back()->record.statuses().back(), last);
  }
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
  EXPECT_EQ(Messages(), std::vector<std::string>{desktoptext::kNoOutputFolderMessage});
  EXPECT_TRUE(view.trackLists.empty());

  view.outputText = sources.path().string();
  logic.GrabAudio();
  EXPECT_EQ(engine.jobState().outputFolder, sources.path().string());
  ASSERT_EQ(view.trackLists.size(), 1u);
  EXPECT_TRUE(view.trackLists[0].empty());  // a blank disc has no tracks
  EXPECT_TRUE(windows.opened.empty());
  EXPECT_FALSE(engine.leases().IsBusy(0));
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

  logic.OpenTray();
  EXPECT_EQ(view.trays, std::vector<std::string>{"virtual-cd: Brenmark Virtual CD-RW"});
  logic.OpenDocumentation();
  EXPECT_EQ(view.documents.size() + prompt.messages().size(), 2u);
}

TEST_F(MainWindowLogicTest, LeavingAsksOnlyWhileJobsRun) {
  EXPECT_TRUE(logic.MayLeave());
  EXPECT_TRUE(view.leavingQuestions.empty());

  ChooseFolder(MakeSourceFolder("source"));
  view.speeds = {SpeedChoice{0, false}};
  logic.BurnDataDisc(JobKind::DataDvd);  // the CD recorder: a DVD is refused, but only once the job runs
  ASSERT_EQ(logic.RunningJobs(), 1);
  view.leave = false;
  EXPECT_FALSE(logic.MayLeave());
  view.leave = true;
  EXPECT_TRUE(logic.MayLeave());
  EXPECT_EQ(view.leavingQuestions, std::vector<std::string>(2, desktoptext::kLeaveDuringJobQuestion));
  logic.WaitForJobs();
  EXPECT_EQ(windows.ended.size(), 1u);
}

}  // namespace
}  // namespace brenmark::desktop::test
