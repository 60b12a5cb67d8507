#include "shell/cli/BurnJobRun.h"

#include <algorithm>
#include <cstdio>

#include "jobs/SpeedSelection.h"
#include "platform/Terminal.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {

std::optional<int> ChooseSpeed(CliSession& session, int drive, bool leaveDiscOpen) {
  SpeedSelection selection;
  if (selection.Load(session.registry(), drive, session.leases()) == SpeedSelection::LoadResult::DriveBusy) {
    session.prompt().ShowMessage(session.leases().RefusalMessage(drive), MessageIcon::Warning);
    return kExitFailed;
  }
  int index = selection.initialSelection();
  if (const auto wanted = session.options().speed) {
    const auto& speeds = selection.speeds();
    const auto found = std::find(speeds.begin(), speeds.end(), *wanted);
    if (found == speeds.end() && !(speeds.empty() && *wanted == SpeedSelection::kDefaultSpeed)) {
      std::string listed;
      for (const std::string& entry : selection.entries()) listed += "\n  " + entry;
      session.Complain("--speed " + std::to_string(*wanted) + " is not a speed of this drive; it offers:" +
                       (listed.empty() ? std::string(" none (only the default 705)") : listed));
      return kExitUsage;
    }
    index = found == speeds.end() ? -1 : static_cast<int>(found - speeds.begin());
  }
  selection.Burn(session.jobState(), index, leaveDiscOpen);
  const std::string label =
      index < 0 ? std::to_string(SpeedSelection::kDefaultSpeed) + " KB/Sec" : selection.entries()[static_cast<std::size_t>(index)];
  platform::PrintText(session.err(), "Write speed: %s\n", label.c_str());
  return std::nullopt;
}

void TakeVerifyOption(CliSession& session, std::vector<std::string>& arguments) {
  const auto option = std::find(arguments.begin(), arguments.end(), "--verify");
  session.jobState().verify = option != arguments.end();
  if (option != arguments.end()) arguments.erase(option);
}

int RunBurnJob(CliSession& session, JobProcedure procedure) {
  auto progress = session.NewProgress();
  // The disc's path is printed once the job has said how it ended.
  session.HoldFinishedImages();
  auto job = session.jobs().Start(std::move(procedure), SnapshotJobInputs(session.jobState(), session.registry()),
                                  progress, {}, nullptr, session.StopOnInterrupt());
  if (!job) {
    session.PrintHeldImages(true);
    return kExitFailed;
  }
  job->Wait();
  progress->BreakLine();
  const bool burned = job->result() == JobEnd::Done;
  session.PrintHeldImages(!burned);
  return burned ? kExitDone : kExitFailed;
}

}  // namespace brenmark::cli
