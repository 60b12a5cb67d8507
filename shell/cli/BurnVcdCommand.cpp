// `brenmark-cli burn-vcd`: MPEG-1 files burned as a Video CD.
#include "jobs/burn/VcdJob.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"
#include "vcd/VcdTrackTable.h"

namespace brenmark::cli {

// The video file list in the order of the command line, the first file
// becoming track 2; then the speed and the Video CD job.
int RunBurnVcd(CliSession& session, const std::vector<std::string>& given) {
  std::vector<std::string> arguments = given;
  TakeVerifyOption(session, arguments);
  if (arguments.empty() || arguments.size() > vcd::kMaxMpegTracks) {
    session.Complain("usage: burn-vcd [--verify] FILE.mpg... (1 to " + std::to_string(vcd::kMaxMpegTracks) + " files)");
    return kExitUsage;
  }
  session.jobState().sourceFiles = arguments;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;
  return RunBurnJob(session, VcdJob);
}

}  // namespace brenmark::cli
