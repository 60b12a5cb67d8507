#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/Sleeper.h"
#include "shell/DriveLeases.h"
#include "shell/Job.h"

namespace brenmark::bench {

// $BRENMARK_BENCH_DIR keeps generated sources between runs; without it they
// live in a folder of this run that is removed at exit.
std::filesystem::path BenchRoot();

// Generates a folder once; a finished one (with its marker) is reused.
template <typename Generate>
std::filesystem::path Prepared(const std::filesystem::path& root, Generate generate) {
  const std::filesystem::path marker = root.parent_path() / "complete";
  if (!std::filesystem::exists(marker)) {
    std::filesystem::remove_all(root.parent_path());
    generate(root);
    std::ofstream{marker};
  }
  return root;
}

// Runs a program to its end; true when it exited with 0.
bool RunTool(const std::vector<std::string>& argv);

// Writes dirty pages out, so that no timed run pays for another's writeback.
void FlushWriteback();

class SilentProgress final : public ProgressSink {
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

class CountingPrompt final : public UserPrompt {
 public:
  void ShowMessage(const std::string&, MessageIcon) override { ++messages; }
  bool AskYesNo(const std::string&) override { return false; }
  int messages = 0;
};

// The virtual recorders in `discs` behind a registry and a job runner, as
// the command line sets them up.
class VirtualRecorders {
 public:
  static constexpr int kCdDrive = 0;
  static constexpr int kDvdDrive = 1;

  explicit VirtualRecorders(const std::filesystem::path& discs);

  // Runs one job to its end; true when it ended with 0 and said nothing.
  bool Run(JobProcedure procedure, JobInputs inputs);

 private:
  CountingPrompt prompt_;
  SystemSleeper sleeper_;
  std::unique_ptr<DriveRegistry> registry_;
  DriveLeases leases_;
  std::unique_ptr<JobRunner> runner_;
};

}  // namespace brenmark::bench
