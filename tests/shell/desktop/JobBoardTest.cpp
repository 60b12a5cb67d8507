// The job board: each job's window learns of the job's end on the
// user-interface thread only, after its last progress call; a job refused its
// drive leaves no entry.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include <atomic>
#include <future>

#include "shell/EngineSession.h"
#include "shell/desktop/JobBoard.h"
#include "tests/shell/desktop/DesktopDoubles.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/TempFolder.h"

namespace brenmark::desktop::test {
namespace {

class JobBoardTest : public ::testing::Test {
 protected:
  JobInputs OnDrive(int drive) {
    engine.registry().currentDrive = drive;
    return SnapshotJobInputs(engine.jobState(), engine.registry());
  }

  testsupport::TempFolder discs{"board-discs"};
  brenmark::test::RecordingPrompt prompt;
  EngineSession engine{prompt, VirtualOnly(discs.path())};
  TestUiThread ui;
  RecordingJobWindows windows;
  JobBoard board{engine.jobs(), engine.trays(), windows, ui.access()};
};

TEST_F(JobBoardTest, EndsReachTheWindowsOnTheUserInterfaceThreadOnly) {
  std::promise<void> go;
  const std::shared_future<void> started = go.get_future().share();
  std::atomic<int> returned = 0;
  const auto job = [&](JobEnd end) -> JobProcedure {
    return [&, end, started](JobContext& context) {
      started.wait();
      context.progress.SetStatus(end == JobEnd::Done ? "done" : "stopped");
      ++returned;
      return end;
    };
  };
  ASSERT_TRUE(board.Start(job(JobEnd::Done), JobInputs{}, "First", "nowhere", nullptr, "/from/here"));
  ASSERT_TRUE(board.Start(job(JobEnd::BurnFailed), JobInputs{}, "Second", "nowhere", nullptr));
  EXPECT_EQ(windows.shown, (std::vector<std::string>{"First on nowhere", "Second on nowhere"}));
  EXPECT_EQ(board.RunningCount(), 2);

  go.set_value();
  while (returned < 2 || ui.Queued() < 2) std::this_thread::yield();
  // Both jobs have returned; the board still counts them running until this
  // thread serves their ends.
  EXPECT_EQ(board.RunningCount(), 2);
  EXPECT_TRUE(windows.ended.empty());
  // The menu tells the jobs apart by start time, source and result.
  const std::string first = board.jobs()[0].startTime, second = board.jobs()[1].startTime;
  EXPECT_TRUE(std::regex_match(first, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]"))) << first;
  EXPECT_EQ(board.MenuLines(), (std::vector<std::string>{first + " First on nowhere, /from/here - running",
                                                         second + " Second on nowhere - running"}));

  // The user has left: each end is also told without the main window.
  struct : JobEndNotifier {
    void TellJobEnded(const std::string& summary, const std::string& body) override {
      told.insert(summary + " | " + body);
    }
    std::set<std::string> told;
  } notifier;
  board.WaitForJobs(notifier);
  ASSERT_EQ(windows.ended.size(), 2u);
  for (const JobEntry& ended : windows.ended) {
    EXPECT_EQ(windows.progress[ended.index]->record.statuses(),
              std::vector<std::string>{ended.end == JobEnd::Done ? "done" : "stopped"});
    EXPECT_EQ(ended.resultLine, ended.end == JobEnd::Done ? "Finished." : "Ended without completing.");
  }
  EXPECT_EQ(windows.menu, (std::vector<std::string>{first + " First on nowhere, /from/here - Finished.",
                                                    second + " Second on nowhere - Ended without completing."}));
  EXPECT_EQ(notifier.told, (std::set<std::string>{"Brenmark: First on nowhere | Finished.",
                                                  "Brenmark: Second on nowhere | Ended without completing."}));
}

// A failed job's window does not go on saying what the job was doing, nor show
// a full bar; a finished job's window, and a failure the job itself told, stay.
// A job that writes files offers their folder once it has finished, not after
// failing.
TEST_F(JobBoardTest, FailedJobsWindowSaysWhereItStopped) {
  struct Case {
    std::string status;
    std::int32_t reached;
    JobEnd end;
    std::string shownStatus;
    std::int32_t shownPosition;
  };
  const std::vector<Case> cases = {
      {"Preparing Burning...", 10, JobEnd::BurnFailed, "Stopped at: Preparing Burning", 0},
      {"Burning Track 2 of 3 on CD ...", 4, JobEnd::SourceUnreadable, "Stopped at: Burning Track 2 of 3 on CD", 4},
      {"", 0, JobEnd::NoDisc, "Stopped.", 0},
      {"Disc burning failed.", 10, JobEnd::BurnFailed, "Disc burning failed.", 0},
      {"Closing Session...", 10, JobEnd::Done, "Closing Session...", 10},
  };
  for (const Case& test : cases) {
    ASSERT_TRUE(board.Start(
        [test](JobContext& context) {
          context.progress.SetRange(10);
          context.progress.SetPos(test.reached);
          if (!test.status.empty()) context.progress.SetStatus(test.status);
          return test.end;
        },
        JobInputs{}, "Job", "nowhere", nullptr, "", "/out"));
  }
  board.WaitForJobs();
  ASSERT_EQ(windows.progress.size(), cases.size());
  for (std::size_t index = 0; index < cases.size(); ++index) {
    const auto& record = windows.progress[index]->record;
    const std::vector<std::string> statuses = record.statuses();
    EXPECT_EQ(statuses.empty() ? std::string() : statuses.back(), cases[index].shownStatus) << index;
    EXPECT_EQ(record.position(), cases[index].shownPosition) << index;
    EXPECT_EQ(board.jobs()[index].folderToOpen,
              std::filesystem::path(cases[index].end == JobEnd::Done ? "/out" : "")) << index;
  }
}

// Clearing takes the ended jobs off the menu and closes their windows; a job
// still running stays listed, and its window still comes from its own line.
TEST_F(JobBoardTest, ClearingEndedJobsKeepsTheRunningOnes) {
  std::promise<void> release;
  const std::shared_future<void> held = release.get_future().share();
  ASSERT_TRUE(board.Start([](JobContext&) { return JobEnd::BurnFailed; }, JobInputs{}, "Early", "nowhere", nullptr));
  board.WaitForJobs();
  ASSERT_TRUE(board.Start([held](JobContext&) { held.wait(); return JobEnd::Done; }, JobInputs{}, "Late", "nowhere",
                          nullptr));
  EXPECT_TRUE(windows.endedListed);

  board.ClearEnded();
  EXPECT_EQ(windows.closed, std::vector<std::string>{"Early on nowhere"});
  EXPECT_EQ(windows.menu, std::vector<std::string>{board.jobs()[1].startTime + " Late on nowhere - running"});
  EXPECT_EQ(windows.menuJobs, std::vector<std::size_t>{1});
  EXPECT_FALSE(windows.endedListed);

  release.set_value();
  board.WaitForJobs();
  EXPECT_EQ(windows.ended.back().title, "Late on nowhere");
  EXPECT_TRUE(windows.endedListed);
  board.ClearEnded();
  EXPECT_EQ(windows.closed, (std::vector<std::string>{"Early on nowhere", "Late on nowhere"}));
  EXPECT_TRUE(windows.menu.empty());
  // The next job is listed alone, at its own place on the board.
  ASSERT_TRUE(board.Start([](JobContext&) { return JobEnd::Done; }, JobInputs{}, "Next", "nowhere", nullptr));
  EXPECT_EQ(windows.menuJobs, std::vector<std::size_t>{2});
  board.WaitForJobs();
}

TEST_F(JobBoardTest, JobRefusedItsDriveLeavesNoEntry) {
  std::promise<void> release;
  const std::shared_future<void> held = release.get_future().share();
  ASSERT_TRUE(board.Start([held](JobContext&) { held.wait(); return JobEnd::Done; }, OnDrive(0), "Holder", "virtual-cd",
                          engine.RecorderAt(0)));
  EXPECT_FALSE(board.Start([](JobContext&) { return JobEnd::Done; }, OnDrive(0), "Refused", "virtual-cd", engine.RecorderAt(0)));
  release.set_value();
  EXPECT_EQ(windows.dropped, std::vector<std::string>{"Refused on virtual-cd"});
  EXPECT_EQ(board.jobs().size(), 1u);
  EXPECT_EQ(windows.progress.size(), 1u);
  EXPECT_EQ(windows.menu, std::vector<std::string>{board.jobs()[0].startTime + " Holder on virtual-cd - running"});
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, DriveLeases::kBusyMessage);

  // The next job takes the place the refused one would have had.
  board.WaitForJobs();
  ASSERT_TRUE(board.Start([](JobContext&) { return JobEnd::Done; }, OnDrive(1), "Next", "virtual-dvd", nullptr));
  EXPECT_EQ(board.jobs().back().index, 1u);
  board.WaitForJobs();
}

}  // namespace
}  // namespace brenmark::desktop::test
