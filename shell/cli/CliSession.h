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

  // A progress window for one job.
  std::shared_ptr<TerminalProgress> NewProgress();
  // The stop request of the job about to start, set by the first Ctrl+C from
  // now on; the second one ends the program as usual, unless the user
  // answered the first by going on.
  std::shared_ptr<StopRequest> StopOnInterrupt();

  // Applies --drive to the registry's currentDrive (the first drive without it)
  // and returns it; -1 with no drive at all. Nothing with a --drive that names
  // no drive, after saying so.
  std::optional<int> SelectDrive();

  // The virtual recorder behind a drive index, or null for a real drive.
  virtualdrive::VirtualRecorder* VirtualRecorderAt(int drive);
  // The first drive that is a virtual recorder, or -1.
  int FirstVirtualDrive();

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
