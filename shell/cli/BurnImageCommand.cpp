// `brenmark-cli burn-image`: an .iso or a .cue image burned as it is.
#include <filesystem>
#include <system_error>

#include "jobs/burn/ImageBurnJob.h"
#include "platform/Utf8Path.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"
#include "virtualdrive/DiscGeometry.h"

namespace brenmark::cli {
namespace {

// Without a named drive, an .iso larger than the CD recorder's blank goes to
// the DVD recorder; a .cue is a CD's.
CliSession::Fallback RecorderFor(const std::string& image) {
  namespace geometry = virtualdrive::geometry;
  constexpr std::uintmax_t kCdBytes =
      static_cast<std::uintmax_t>(geometry::CdCapacityBlocks(geometry::kDefaultCdMinutes)) * 2048;
  const std::filesystem::path path = platform::PathFromUtf8(image);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const bool iso = path.extension() != ".cue";
  return iso && !error && size > kCdBytes ? CliSession::Fallback::DvdRecorder : CliSession::Fallback::CdRecorder;
}

}  // namespace

int RunBurnImage(CliSession& session, const std::vector<std::string>& given) {
  std::vector<std::string> arguments = given;
  TakeVerifyOption(session, arguments);
  if (arguments.size() != 1 || (arguments[0].size() > 1 && arguments[0][0] == '-')) {
    session.Complain("usage: burn-image [--verify] IMAGE.iso|IMAGE.cue");
    return kExitUsage;
  }
  session.jobState().sourceFiles = arguments;
  const auto drive = session.SelectDrive(RecorderFor(arguments[0]));
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;
  return RunBurnJob(session, ImageBurnJob);
}

}  // namespace brenmark::cli
