#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/Utf8Path.h"
#include "shell/DataDiscJob.h"
#include "shell/SourceFolder.h"
#include "shell/SpeedSelection.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {
namespace {

// The speed dialog without its window: --speed must be one of the listed
// speeds; without it the dialog's preselection stands. The exit status of a
// refusal, or nothing.
std::optional<int> ChooseSpeed(CliSession& session, int drive) {
  SpeedSelection selection;
  if (selection.Load(session.registry(), drive, session.leases()) == SpeedSelection::LoadResult::DriveBusy) {
    session.prompt().ShowMessage(DriveLeases::kBusyMessage, MessageIcon::Error);
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
  selection.Burn(session.registry(), index);
  const std::string label =
      index < 0 ? std::to_string(SpeedSelection::kDefaultSpeed) + " KB/Sec" : selection.entries()[static_cast<std::size_t>(index)];
  std::fprintf(session.err(), "Write speed: %s\n", label.c_str());
  return std::nullopt;
}

// The main window's folder choice: a new tree of the folder with ISO 9660 and
// Joliet names, label "TestDisc".
bool ChooseFolder(CliSession& session, const std::string& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(platform::PathFromUtf8(folder), error)) {
    session.Complain(folder + " is not a folder");
    return false;
  }
  session.jobState().sourceTree = BuildSourceTree(folder);
  return true;
}

int BurnData(CliSession& session, const std::vector<std::string>& arguments, JobProcedure procedure,
             const char* name) {
  if (arguments.size() != 1) {
    session.Complain(std::string("usage: ") + name + " FOLDER");
    return kExitUsage;
  }
  if (!ChooseFolder(session, arguments[0])) return kExitUsage;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitUsage;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;

  auto progress = session.NewProgress();
  auto job = session.jobs().Start(std::move(procedure),
                                  SnapshotJobInputs(session.jobState(), session.registry()), progress);
  if (!job) return kExitFailed;
  job->Wait();
  progress->BreakLine();
  return job->result() == datajob::kBurned ? kExitDone : kExitFailed;
}

}  // namespace

int RunBurnCd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataCdJob, "burn-cd");
}

int RunBurnDvd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataDvdJob, "burn-dvd");
}

}  // namespace brenmark::cli
