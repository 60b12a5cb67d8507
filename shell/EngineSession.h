#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/Sleeper.h"
#include "drive/UserPrompt.h"
#include "jobs/DriveLeases.h"
#include "jobs/Job.h"
#include "jobs/JobState.h"
#include "shell/VirtualRecorderPorts.h"
#include "shell/VirtualTrays.h"

namespace brenmark {

// The engine every front end runs on, set up in one place and in dependency
// order: the machine's own recorders (when wanted) and the two virtual ones,
// all traced when a trace file is named, the drive registry over them,
// enumerated once, the drive leases that also claim the virtual recorders
// against other processes, the job runner and the shared job inputs. The front
// end gives its own prompt, which outlives this.
class EngineSession {
 public:
  struct Options {
    // Where the virtual recorders keep their discs; empty for the user's data folder.
    std::filesystem::path virtualRecorderFolder;
    bool realDrives = true;  // also list the machine's own recorders
    std::string transport;   // which system transport finds them; empty for the system's own choice
    // The file every command to every drive is traced to; empty for the one
    // the environment names (BRENMARK_TRACE), if any.
    std::filesystem::path traceFile;
    // Told of each image a virtual recorder's eject keeps, on the thread that ejected.
    std::function<void(const std::filesystem::path&)> onFinishedImage;
    // Told of what a virtual recorder found wrong while it wrote its disc.
    std::function<void(const std::string&)> onWriteProblem;
  };

  EngineSession(UserPrompt& prompt, Options options);
  // Jobs still running end before the drives they use go away.
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;

  DriveRegistry& registry() { return registry_; }
  DriveLeases& leases() { return leases_; }
  JobRunner& jobs() { return jobs_; }
  JobState& jobState() { return jobState_; }
  VirtualTrays& trays() { return trays_; }
  UserPrompt& prompt() { return prompt_; }

  // The virtual recorder behind a drive index; null for a real drive or no drive.
  virtualdrive::VirtualRecorder* RecorderAt(int drive) { return trays_.RecorderAt(registry_, drive); }
  // False when real recorders were wanted but the system has no such transport.
  bool FoundTransport() const { return foundTransport_; }
  // What the front end tells the user once the engine stands: why the
  // commands cannot be traced, then what the recorders found wrong with their
  // trays.
  std::vector<std::string> StartupProblems() const;

 private:
  std::vector<std::unique_ptr<DeviceProvider>> MakeProviders(const Options& options);

  UserPrompt& prompt_;
  SystemSleeper sleeper_;
  VirtualTrays trays_;
  bool foundTransport_ = true;
  std::string traceProblem_;
  DriveRegistry registry_;
  VirtualRecorderPorts recorderPorts_;
  DriveLeases leases_;
  JobRunner jobs_;
  JobState jobState_;
};

}  // namespace brenmark
