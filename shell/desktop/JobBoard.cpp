#include "shell/desktop/JobBoard.h"

#include <cstdio>
#include <ctime>

#include "platform/LocalTime.h"
#include "platform/Utf8Path.h"
#include "shell/VirtualTrays.h"
#include "shell/desktop/DesktopTexts.h"

namespace brenmark::desktop {
namespace {

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
                     const std::string& driveName, virtualdrive::VirtualRecorder* recorder, const std::string& source) {
  JobEntry& entry = entries_.emplace_back();
  entry.index = entries_.size() - 1;
  entry.title = jobName + " on " + driveName;
  entry.source = source;
  entry.startTime = ClockTime(std::time(nullptr));
  entry.recorder = recorder;
  if (recorder) entry.imageSerialAtStart = trays_.LastFinishedImage(recorder).serial;

  // The job reports its end from its own thread; the board learns of it on
  // the user-interface thread, after every progress update the job made before.
  const std::size_t index = entry.index;
  auto job = jobs_.Start(std::move(procedure), std::move(inputs), windows_.OpenJobWindow(entry),
                         [post = ui_.post, this, index](JobEnd end) {
                           post([this, index, end] { Ended(index, end); });
                         });
  if (!job) {
    windows_.DropJobWindow(entry);
    entries_.pop_back();
    return false;
  }
  windows_.ShowJobWindow(entry);
  windows_.ListJobs(MenuLines());
  return true;
}

void JobBoard::Ended(std::size_t index, JobEnd end) {
  JobEntry& entry = entries_[index];
  entry.running = false;
  entry.end = end;
  entry.resultLine = desktoptext::OutcomeText(end);
  if (entry.recorder) {
    const VirtualTrays::FinishedImage finished = trays_.LastFinishedImage(entry.recorder);
    if (finished.serial != entry.imageSerialAtStart) {
      entry.keptImage = finished.path;
      std::filesystem::path shown = finished.path;
      entry.resultLine += " " + desktoptext::KeptImageText(platform::Utf8FromPath(shown.make_preferred()));
    }
  }
  windows_.ShowJobEnded(entry);
  windows_.ListJobs(MenuLines());
}

int JobBoard::RunningCount() const {
  int count = 0;
  for (const JobEntry& entry : entries_) count += entry.running ? 1 : 0;
  return count;
}

std::vector<std::string> JobBoard::MenuLines() const {
  std::vector<std::string> lines;
  for (const JobEntry& entry : entries_) {
    std::string line = entry.startTime + " " + entry.title;
    if (!entry.source.empty()) line += ", " + entry.source;
    lines.push_back(line + " - " + (entry.running ? std::string("running") : desktoptext::OutcomeText(entry.end)));
  }
  return lines;
}

void JobBoard::WaitForJobs() {
  while (RunningCount() > 0) ui_.serveEvents();
}

}  // namespace brenmark::desktop
