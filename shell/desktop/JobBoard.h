#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drive/UserPrompt.h"
#include "jobs/Job.h"
#include "jobs/ProgressSink.h"
#include "shell/desktop/JobEndNotifier.h"
#include "shell/desktop/JobProgress.h"
#include "shell/desktop/UiThread.h"

namespace brenmark {
class VirtualTrays;
}

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::desktop {

// One job the desktop started, as its window and the Jobs menu show it.
struct JobEntry {
  std::size_t index = 0;     // its place on the board, oldest first
  std::string title;         // "<job> on <drive>"
  std::string source;        // what it works from or on, as the Jobs menu names it; may be empty
  std::string startTime;     // "HH:MM:SS", local time
  bool running = true;
  JobEnd end = JobEnd::Done;  // once ended: how
  std::string resultLine;    // once ended: how, and where the disc is kept
  std::filesystem::path keptImage;  // once ended: the image its recorder kept, if any
  std::filesystem::path outputFolder;  // where it writes files, if it does
  // Once ended: the folder its window offers to open (the kept image's, or the
  // output folder of a job that finished), if any.
  std::filesystem::path folderToOpen;
  virtualdrive::VirtualRecorder* recorder = nullptr;
  std::uint64_t imageSerialAtStart = 0;
  bool cleared = false;      // ended, and taken off the Jobs menu with its window
};

// The Jobs menu: a line per job not cleared, oldest first, the board index of
// each line's job, and whether any of them has ended (and can be cleared).
struct JobMenu {
  std::vector<std::string> lines;
  std::vector<std::size_t> jobs;
  bool endedListed = false;
};

// What a front end draws for the job board: a progress window per job and the
// Jobs menu. Called on the user-interface thread.
class JobBoardView {
 public:
  virtual ~JobBoardView() = default;
  // Makes the job's window, not shown yet, and the sink its progress goes to.
  virtual std::shared_ptr<ProgressSink> OpenJobWindow(const JobEntry& job) = 0;
  // The job's own prompt, whose boxes belong to its window and carry its
  // title; none where the job asks through the application's prompt.
  virtual std::shared_ptr<UserPrompt> JobPrompt(const JobEntry& job) {
    (void)job;
    return nullptr;
  }
  // The job did not start (its drive is busy): its window goes again.
  virtual void DropJobWindow(const JobEntry& job) = 0;
  // The job has its drive: its window is placed and shown.
  virtual void ShowJobWindow(const JobEntry& job) = 0;
  // The job has ended: its window shows its last progress and its result
  // line, offers Stop no more, and comes back if hidden.
  virtual void ShowJobEnded(const JobEntry& job) = 0;
  // Whether the job's window is on the screen (the user has not hidden it).
  virtual bool JobWindowShown(const JobEntry& job) const {
    (void)job;
    return true;
  }
  // What tells the end of a job whose window was hidden (a desktop
  // notification); none where the front end has no such notices.
  virtual JobEndNotifier* HiddenJobNotifier() { return nullptr; }
  // The ended job has been cleared: its window goes for good.
  virtual void CloseJobWindow(const JobEntry& job) = 0;
  // The Jobs menu as it now reads.
  virtual void ListJobs(const JobMenu& menu) = 0;
};

// The desktop's jobs: starts each on its own thread with a window of its own,
// learns on the user-interface thread how it ended and which disc image its
// virtual recorder kept, and keeps the Jobs menu's lines.
class JobBoard {
 public:
  JobBoard(JobRunner& jobs, VirtualTrays& trays, JobBoardView& windows, UiThread ui);
  // Lets every job end first: its end is delivered to this board.
  ~JobBoard();
  JobBoard(const JobBoard&) = delete;
  JobBoard& operator=(const JobBoard&) = delete;

  // Starts `procedure` on `inputs` as "<jobName> on <driveName>", working
  // from `source` and writing files into `outputFolder` (if any); `recorder`
  // is the job's virtual recorder, if any. False when it did not start (its
  // drive is busy; the user has been told).
  bool Start(JobProcedure procedure, JobInputs inputs, const std::string& jobName, const std::string& driveName,
             virtualdrive::VirtualRecorder* recorder, const std::string& source = {},
             const std::filesystem::path& outputFolder = {});

  const std::deque<JobEntry>& jobs() const { return entries_; }
  int RunningCount() const;
  // "<start time> <title>, <source> - running", or once ended "... - " and
  // how it ended ("Finished." or "Ended without completing."), oldest first.
  std::vector<std::string> MenuLines() const { return Menu().lines; }
  JobMenu Menu() const;
  // The user pressed Stop in the job's window: a running job is asked to
  // stop (a burn asks first what becomes of the disc, and may go on); an
  // ended one is left as it is.
  void Stop(std::size_t index);
  // Takes the ended jobs off the Jobs menu and closes their windows; the
  // running ones stay.
  void ClearEnded();
  // Serves the user-interface thread's events until every job has ended.
  void WaitForJobs();
  // The same once the main window is gone: each end is also told through
  // `notifier`, the last one before this returns.
  void WaitForJobs(JobEndNotifier& notifier);

 private:
  void Ended(std::size_t index, JobEnd end);

  JobRunner& jobs_;
  VirtualTrays& trays_;
  JobBoardView& windows_;
  UiThread ui_;
  JobEndNotifier* notifier_ = nullptr;
  std::deque<JobEntry> entries_;
  // Each entry's progress on its way to its window.
  std::deque<std::shared_ptr<JobProgress>> progress_;
  // Each entry's stop request, which its job looks at.
  std::deque<std::shared_ptr<StopRequest>> stops_;
};

}  // namespace brenmark::desktop
