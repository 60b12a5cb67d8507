// `brenmark-cli burn-audio`: WAV files burned as an audio CD.
#include "jobs/burn/AudioCdJob.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {

// The audio file list in the order of the command line, the first file
// becoming the first track.
int RunBurnAudio(CliSession& session, const std::vector<std::string>& given) {
  std::vector<std::string> arguments = given;
  TakeVerifyOption(session, arguments);
  if (arguments.empty()) {
    session.Complain("usage: burn-audio [--verify] FILE.wav...");
    return kExitUsage;
  }
  session.jobState().sourceFiles = arguments;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;
  return RunBurnJob(session, AudioCdJob);
}

}  // namespace brenmark::cli
