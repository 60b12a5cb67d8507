// `brenmark-cli burn-cd` and `burn-dvd`: a folder burned as a data disc.
#include <algorithm>

#include "jobs/burn/DataDiscJob.h"
#include "platform/FileStatus.h"
#include "platform/Utf8Path.h"
#include "shell/SourceFolder.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {
namespace {

// The main window's folder choice: a new tree of the folder with ISO 9660 and
// Joliet names, label "TestDisc".
bool ChooseFolder(CliSession& session, const std::string& folder) {
  const auto status = platform::ReadFileStatus(platform::PathFromUtf8(folder));
  if (!status || !status->isDirectory()) {
    session.Complain(folder + " is not a folder");
    return false;
  }
  session.jobState().sourceTree = BuildSourceTree(folder);
  return true;
}

constexpr const char* kMultiSessionOption = "--multisession";

int BurnData(CliSession& session, std::vector<std::string> arguments, JobProcedure procedure,
             const char* name) {
  TakeVerifyOption(session, arguments);
  const auto option = std::find(arguments.begin(), arguments.end(), kMultiSessionOption);
  const bool leaveDiscOpen = option != arguments.end();
  if (leaveDiscOpen) arguments.erase(option);
  if (arguments.size() != 1) {
    session.Complain(std::string("usage: ") + name + " [" + kMultiSessionOption + "] [--verify] FOLDER");
    return kExitUsage;
  }
  if (!ChooseFolder(session, arguments[0])) return kExitUsage;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive, leaveDiscOpen)) return *refused;

  return RunBurnJob(session, std::move(procedure));
}

}  // namespace

int RunBurnCd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataCdJob, "burn-cd");
}

int RunBurnDvd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataDvdJob, "burn-dvd");
}

}  // namespace brenmark::cli
