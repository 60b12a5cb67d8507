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
  std::string error;
  const auto status = platform::ReadFileStatus(platform::PathFromUtf8(folder), &error);
  if (!status) {
    session.Complain(folder + ": " + error);
    return false;
  }
  if (!status->isDirectory()) {
    session.Complain(folder + " is not a folder");
    return false;
  }
  session.jobState().sourceTree = BuildSourceTree(folder);
  return true;
}

constexpr const char* kMultiSessionOption = "--multisession";
constexpr const char* kBlankOption = "--blank";

// --blank fast|full: a written rewritable disc is blanked without asking.
// False when the option names neither.
bool TakeBlankOption(CliSession& session, std::vector<std::string>& arguments) {
  const auto option = std::find(arguments.begin(), arguments.end(), kBlankOption);
  if (option == arguments.end()) return true;
  if (option + 1 == arguments.end() || (option[1] != "fast" && option[1] != "full")) return false;
  session.jobState().blankRewritable = option[1] == "full" ? BlankRewritable::Full : BlankRewritable::Fast;
  arguments.erase(option, option + 2);
  return true;
}

int BurnData(CliSession& session, std::vector<std::string> arguments, JobProcedure procedure,
             const char* name, CliSession::Fallback fallback) {
  TakeVerifyOption(session, arguments);
  const bool blankTaken = TakeBlankOption(session, arguments);
  const auto option = std::find(arguments.begin(), arguments.end(), kMultiSessionOption);
  const bool leaveDiscOpen = option != arguments.end();
  if (leaveDiscOpen) arguments.erase(option);
  if (arguments.size() != 1 || !blankTaken) {
    session.Complain(std::string("usage: ") + name + " [" + kMultiSessionOption +
                     "] [--blank fast|full] [--verify] FOLDER");
    return kExitUsage;
  }
  if (!ChooseFolder(session, arguments[0])) return kExitUsage;
  const auto drive = session.SelectDrive(fallback);
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive, leaveDiscOpen)) return *refused;

  return RunBurnJob(session, std::move(procedure));
}

}  // namespace

int RunBurnCd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataCdJob, "burn-cd", CliSession::Fallback::CdRecorder);
}

int RunBurnDvd(CliSession& session, const std::vector<std::string>& arguments) {
  return BurnData(session, arguments, DataDvdJob, "burn-dvd", CliSession::Fallback::DvdRecorder);
}

}  // namespace brenmark::cli
