#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "jobs/DriveLeases.h"
#include "jobs/Job.h"
#include "jobs/JobState.h"
#include "shell/EngineSession.h"
#include "shell/cli/CliOptions.h"
#include "shell/cli/TerminalProgress.h"
#include "shell/cli/TerminalPrompt.h"

namespace brenmark::virtualdrive {
class VirtualRecorder;
}

namespace brenmark::cli {

// What every command works with: the options, the terminal front end and the
// engine (drive registry with the real recorders first, then the virtual
// ones, leases, job mechanism), which is set up the first time a command asks
// for it.
class CliSession {
 public:
  explicit CliSession(const CliOptions& options);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  const CliOptions& options() const { return options_; }
  std::FILE* out() const { return stdout; }
  std::FILE* err() const { return stderr; }

  DriveRegistry& registry() { return engine().registry(); }
  UserPrompt& prompt() { return prompt_; }
  DriveLeases& leases() { return engine().leases(); }
  JobRunner& jobs() { return engine().jobs(); }
  JobState& jobState() { return engine().jobState(); }
  VirtualTrays& trays() { return engine().trays(); }

  // A progress window for one job.
  std::shared_ptr<TerminalProgress> NewProgress();
  // The stop request of the job about to start, set by the first Ctrl+C from
  // now on; the second one ends the program as usual, unless the user
  // answered the first by going on.
  std::shared_ptr<StopRequest> StopOnInterrupt();

  // The virtual recorder a command falls back on when no drive is named.
  enum class Fallback { CdRecorder, DvdRecorder };

  // Makes the registry's currentDrive the drive --drive names, else the one
  // the BRENMARK_DRIVE variable names, else the virtual recorder `fallback`,
  // and returns it; -1 when there is no such recorder. A real drive is thus
  // used only when the user named it. Nothing with a name that names no
  // drive, after saying so.
  std::optional<int> SelectDrive(Fallback fallback = Fallback::CdRecorder);
  // Whether --drive or BRENMARK_DRIVE names a drive.
  bool DriveNamed() const;

  // The virtual recorder behind a drive index, or null for a real drive.
  virtualdrive::VirtualRecorder* VirtualRecorderAt(int drive);

  // From now on finished images are kept back instead of printed at once,
  // until PrintHeldImages prints them, each followed by " (failed)" on the
  // same line when the job that made it failed.
  void HoldFinishedImages();
  void PrintHeldImages(bool failed);

  // Prints a command's own error on the standard error.
  void Complain(const std::string& text) const;

  // Names every --fault that no command of the run met.
  void ReportFaultsNeverMet() const;

 private:
  EngineSession& engine();
  // The drive `wanted` names (an index, the whole name, its beginning or a
  // unique part); nothing, after saying so, when it names none or several.
  std::optional<int> DriveNamedBy(const std::string& wanted, const std::string& source);
  int VirtualRecorderFor(Fallback fallback);
  void PrintFinishedImage(const std::string& path);

  CliOptions options_;
  std::mutex imagesMutex_;  // finished images are reported on the job's thread
  std::optional<std::vector<std::string>> heldImages_;
  std::shared_ptr<TerminalProgress> currentProgress_;
  std::shared_ptr<StopRequest> stopOnInterrupt_;
  TerminalPrompt prompt_;
  std::unique_ptr<EngineSession> engine_;
};

}  // namespace brenmark::cli
