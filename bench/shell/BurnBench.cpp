#include "bench/shell/BurnBench.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::bench {
namespace {

namespace fs = std::filesystem;

const char* ChosenRoot() { return std::getenv("BRENMARK_BENCH_DIR"); }

struct RemoveAtExit {
  ~RemoveAtExit() {
    std::error_code ignored;
    if (ChosenRoot() == nullptr) fs::remove_all(BenchRoot(), ignored);
  }
} removeAtExit;

}  // namespace

fs::path BenchRoot() {
  if (const char* chosen = ChosenRoot()) return chosen;
  return fs::temp_directory_path() / ("brenmark-burn-bench-" + std::to_string(getpid()));
}

bool RunTool(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void FlushWriteback() { sync(); }

VirtualRecorders::VirtualRecorders(const fs::path& discs) {
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  providers.push_back(std::make_unique<virtualdrive::VirtualRecorderProvider>(discs));
  registry_ = std::make_unique<DriveRegistry>(prompt_, sleeper_, std::move(providers));
  registry_->EnumerateDrives();
  runner_ = std::make_unique<JobRunner>(*registry_, prompt_, leases_);
}

bool VirtualRecorders::Run(JobProcedure procedure, JobInputs inputs) {
  auto job = runner_->Start(std::move(procedure), std::move(inputs), std::make_shared<SilentProgress>());
  job->Wait();
  return job->result() == 0 && prompt_.messages == 0;
}

}  // namespace brenmark::bench
