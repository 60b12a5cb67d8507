// `brenmark-cli burn-audio`: WAV files burned as an audio CD, track at once,
// or with --disc-at-once in one session at once with CD-TEXT.
#include <cmath>
#include <cstdlib>

#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/AudioCdSaoJob.h"
#include "shell/cli/BurnJobRun.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"

namespace brenmark::cli {
namespace {

constexpr const char* kUsage =
    "usage: burn-audio [--verify] [--disc-at-once [--gap SECONDS] [--title TEXT] [--performer TEXT]] FILE.wav...";
// A pause longer than a minute between tracks is not a pause.
constexpr double kMaxGapSeconds = 60;
constexpr double kBlocksPerSecond = 75;

// Seconds as a decimal number from 0 to kMaxGapSeconds, in blocks.
std::optional<std::uint32_t> GapBlocks(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || seconds > kMaxGapSeconds) return std::nullopt;
  return static_cast<std::uint32_t>(std::lround(seconds * kBlocksPerSecond));
}

// Takes the disc-at-once options out of the arguments into `choice`; false
// (after saying why) on a malformed one.
bool TakeDiscAtOnceOptions(CliSession& session, std::vector<std::string>& arguments, DiscAtOnce& choice) {
  std::vector<std::string> rest;
  bool anyDiscAtOnceValue = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--disc-at-once") {
      choice.enabled = true;
      continue;
    }
    if (argument != "--gap" && argument != "--title" && argument != "--performer") {
      rest.push_back(argument);
      continue;
    }
    if (i + 1 == arguments.size()) {
      session.Complain("burn-audio: " + argument + " needs a value");
      return false;
    }
    const std::string& value = arguments[++i];
    anyDiscAtOnceValue = true;
    if (argument == "--title") {
      choice.albumTitle = value;
    } else if (argument == "--performer") {
      choice.albumPerformer = value;
    } else if (const auto blocks = GapBlocks(value)) {
      choice.gapBlocks = *blocks;
    } else {
      session.Complain("burn-audio: --gap takes seconds from 0 to 60, like 2 or 0.5; not " + value);
      return false;
    }
  }
  if (anyDiscAtOnceValue && !choice.enabled) {
    session.Complain("burn-audio: --gap, --title and --performer go with --disc-at-once");
    return false;
  }
  arguments = std::move(rest);
  return true;
}

}  // namespace

// The audio file list in the order of the command line, the first file
// becoming the first track.
int RunBurnAudio(CliSession& session, const std::vector<std::string>& given) {
  std::vector<std::string> arguments = given;
  TakeVerifyOption(session, arguments);
  DiscAtOnce choice;
  if (!TakeDiscAtOnceOptions(session, arguments, choice)) return kExitUsage;
  if (arguments.empty()) {
    session.Complain(kUsage);
    return kExitUsage;
  }
  session.jobState().sourceFiles = arguments;
  session.jobState().discAtOnce = choice;
  const auto drive = session.SelectDrive();
  if (!drive) return kExitFailed;
  if (const auto refused = ChooseSpeed(session, *drive)) return *refused;
  return RunBurnJob(session, choice.enabled ? JobProcedure(AudioCdSaoJob) : JobProcedure(AudioCdJob));
}

}  // namespace brenmark::cli
