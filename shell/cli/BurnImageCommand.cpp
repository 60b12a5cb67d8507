// `brenmark-cli burn-image`: an .iso or a .cue image burned as it is.
#include "jobs/burn/ImageBurnJob.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {

int RunBurnImage(CliSession& session, const std::vector<std::string>& given) {
  std::vector<std::string> arguments = given;
  TakeVerifyOption(session, arguments);
  if (arguments.size() != 1 || (arguments[0].size() > 1 && arguments[0][0] == '-')) {
    session.Complain("usage: burn-image [--verify] IMAGE.iso|IMAGE.cue");
    return kExitUsage;
  }
  session.jobState().sourceFiles = arguments;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;
  return RunBurnJob(session, ImageBurnJob);
}

}  // namespace brenmark::cli
