#include "shell/desktop/JobBoard.h"

#include <cstdio>
#include <ctime>

#include "platform/LocalTime.h"
#include "platform/Utf8Path.h"
#include "shell/VirtualTrays.h"
#include "shell/desktop/DesktopTexts.h"

namespace brenmark::desktop {
namespace {

// Characters of a job's source a Jobs menu line shows.
constexpr std::size_t kMenuSourceLimit = 64;

std::string ClockTime(std::time_t time) {
  const std::tm local = platform::LocalTime(time);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace

JobBoard::JobBoard(JobRunner& jobs, VirtualTrays& trays, JobBoardView& windows, UiThread ui)
    : jobs_(jobs), trays_(trays), windows_(windows), ui_(std::move(ui)) {}

JobBoard::~JobBoard() { WaitForJobs(); }

bool JobBoard::Start(JobProcedure procedure, JobInputs inputs, const std::string& jobName,
                     const std::string& driveName, virtualdrive::VirtualRecorder* recorder, const std::string& source,
                     const std::filesystem::path& outputFolder) {
  JobEntry& entry = entries_.emplace_back();
  entry.index = entries_.size() - 1;
  entry.title = jobName + " on " + driveName;
  entry.source = source;
  entry.outputFolder = outputFolder;
  entry.startTime = ClockTime(std::time(nullptr));
  entry.recorder = recorder;
  if (recorder) entry.imageSerialAtStart = trays_.LastFinishedImage(recorder).serial;

  // The job reports its end from its own thread; the board learns of it on
  // the user-interface thread, after every progress update the job made before.
  const std::size_t index = entry.index;
  auto& progress = progress_.emplace_back(std::make_shared<JobProgress>(windows_.OpenJobWindow(entry)));
  auto job = jobs_.Start(
      std::move(procedure), std::move(inputs), progress,
      [post = ui_.post, this, index](JobEnd end) { post([this, index, end] { Ended(index, end); }); },
      windows_.JobPrompt(entry), stops_.emplace_back(std::make_shared<StopRequest>()));
  if (!job) {
    windows_.DropJobWindow(entry);
    entries_.pop_back();
    progress_.pop_back();
    stops_.pop_back();
    return false;
  }
  windows_.ShowJobWindow(entry);
  windows_.ListJobs(Menu());
  return true;
}

void JobBoard::Ended(std::size_t index, JobEnd end) {
  JobEntry& entry = entries_[index];
  entry.running = false;
  entry.end = end;
  entry.resultLine = desktoptext::OutcomeText(end);
  if (end != JobEnd::Done) progress_[index]->ShowFailed();
  if (entry.recorder) {
    const VirtualTrays::FinishedImage finished = trays_.LastFinishedImage(entry.recorder);
    if (finished.serial != entry.imageSerialAtStart) {
      entry.keptImage = finished.path;
      entry.folderToOpen = finished.path.parent_path();
      std::filesystem::path shown = finished.path;
      entry.resultLine += " " + desktoptext::KeptImageText(platform::Utf8FromPath(shown.make_preferred()));
    }
  }
  if (entry.folderToOpen.empty() && end == JobEnd::Done) entry.folderToOpen = entry.outputFolder;
  // The end of a job nobody watches is told besides: its window was hidden, or the main window is gone.
  JobEndNotifier* notifier = notifier_;
  if (!notifier && !windows_.JobWindowShown(entry)) notifier = windows_.HiddenJobNotifier();
  windows_.ShowJobEnded(entry);
  windows_.ListJobs(Menu());
  if (notifier) {
    notifier->TellJobEnded(std::string(desktoptext::kApplicationName) + ": " + entry.title, entry.resultLine);
  }
}

void JobBoard::Stop(std::size_t index) {
  if (index < entries_.size() && entries_[index].running) stops_[index]->Request();
}

int JobBoard::RunningCount() const {
  int count = 0;
  for (const JobEntry& entry : entries_) count += entry.running ? 1 : 0;
  return count;
}

JobMenu JobBoard::Menu() const {
  JobMenu menu;
  for (const JobEntry& entry : entries_) {
    if (entry.cleared) continue;
    std::string line = entry.startTime + " " + entry.title;
    // A long path is shortened in its middle, so that the line's result stays in view.
    if (!entry.source.empty()) line += ", " + desktoptext::ElideMiddle(entry.source, kMenuSourceLimit);
    menu.lines.push_back(line + " - " + (entry.running ? std::string("running") : desktoptext::OutcomeText(entry.end)));
    menu.jobs.push_back(entry.index);
    menu.endedListed = menu.endedListed || !entry.running;
  }
  return menu;
}

void JobBoard::ClearEnded() {
  for (JobEntry& entry : entries_) {
    if (entry.running || entry.cleared) continue;
    entry.cleared = true;
    windows_.CloseJobWindow(entry);
  }
  windows_.ListJobs(Menu());
}

void JobBoard::WaitForJobs() {
  while (RunningCount() > 0) ui_.serveEvents();
}

void JobBoard::WaitForJobs(JobEndNotifier& notifier) {
  notifier_ = &notifier;
  WaitForJobs();
  notifier_ = nullptr;
}

}  // namespace brenmark::desktop
