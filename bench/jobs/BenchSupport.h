#pragma once

// What the burn benchmarks share: a scratch folder, folders generated once,
// a tool run as a child process, and the virtual recorders with a front end
// that shows nothing.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"
#include "jobs/Job.h"
#include "jobs/ProgressSink.h"
#include "tests/support/RecordingPrompt.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::bench {

namespace fs = std::filesystem;

// A progress window that shows nothing and keeps only the bar's position: a
// record of every call would be what is measured.
class SilentProgress : public ProgressSink {
 public:
  void SetStatus(const std::string&) override {}
  void SetRange(std::int32_t) override {}
  void SetRange16(std::uint16_t) override {}
  void SetPos(std::int32_t position) override { position_ = position; }
  std::int32_t GetPos() override { return position_; }
  void SetStep(std::int32_t) override {}
  void StepIt() override {}
  void EnableClose(bool) override {}

 private:
  std::int32_t position_ = 0;
};

// $BRENMARK_BENCH_DIR keeps the generated folders between runs; without it
// they live in a folder of this run that is removed at the end.
inline const char* ChosenRoot() { return std::getenv("BRENMARK_BENCH_DIR"); }

inline fs::path BenchRoot() {
  if (const char* chosen = ChosenRoot()) return chosen;
  return fs::temp_directory_path() / ("brenmark-burn-bench-" + std::to_string(getpid()));
}

struct RemoveAtExit {
  ~RemoveAtExit() {
    std::error_code ignored;
    if (ChosenRoot() == nullptr) fs::remove_all(BenchRoot(), ignored);
  }
};
inline RemoveAtExit removeAtExit;

// Generates a folder once; a finished one (with its marker) is reused.
template <typename Generate>
fs::path Prepared(const fs::path& root, Generate generate) {
  const fs::path marker = root.parent_path() / "complete";
  if (!fs::exists(marker)) {
    fs::remove_all(root.parent_path());
    generate(root);
    std::ofstream{marker};
  }
  return root;
}

// Runs a program found on the PATH and waits for it; true when it exited with 0.
// Its progress lines are not part of the work measured: its output is dropped.
inline bool RunTool(const std::vector<std::string>& argv) {
  const pid_t child = fork();
  if (child == 0) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The virtual recorders (0 CD, 1 DVD) keeping their discs in `discs`, and the
// job mechanism, as the command line sets them up.
struct VirtualRecorderRig {
  static constexpr int kCdDrive = 0;
  static constexpr int kDvdDrive = 1;

  explicit VirtualRecorderRig(const fs::path& discs) : registry(prompt, sleeper, Providers(discs)) {
    registry.EnumerateDrives();
  }

  // Runs a job to its end; true when it ended Done and showed no message.
  bool Burn(JobProcedure procedure, JobInputs inputs,
            std::shared_ptr<ProgressSink> progress = std::make_shared<SilentProgress>()) {
    auto job = runner.Start(std::move(procedure), std::move(inputs), std::move(progress));
    job->Wait();
    return job->result() == JobEnd::Done && prompt.messages().empty();
  }

  static std::vector<std::unique_ptr<DeviceProvider>> Providers(const fs::path& discs) {
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<virtualdrive::VirtualRecorderProvider>(discs));
    return providers;
  }

  // Times one complete burn per iteration, each on a fresh blank disc; the
  // finished images are removed and flushed out of the timing.
  template <typename MakeInputs>
  static void TimeBurns(benchmark::State& state, const fs::path& discs, JobProcedure procedure,
                        MakeInputs makeInputs) {
    VirtualRecorderRig rig(discs);
    sync();
    for (auto _ : state) {
      if (!rig.Burn(procedure, makeInputs())) {
        state.SkipWithError("the burn did not complete");
        break;
      }
      state.PauseTiming();
      fs::remove_all(discs / "burned discs");
      sync();
      state.ResumeTiming();
    }
    fs::remove_all(discs);
  }

  test::RecordingPrompt prompt;
  SystemSleeper sleeper;
  DriveRegistry registry;
  DriveLeases leases;
  JobRunner runner{registry, prompt, leases};
};

}  // namespace brenmark::bench
