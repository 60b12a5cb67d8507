#include "tests/endtoend/VirtualBench.h"

#include <fstream>
#include <stdexcept>

#include "drive/TracingTransport.h"
#include "shell/SourceFolder.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::endtoend {

VirtualBench::VirtualBench(bool answerYes) : prompt(answerYes) {
  auto provider = std::make_unique<virtualdrive::VirtualRecorderProvider>(discs.path());
  recorders_ = provider->recorders();
  for (const auto& recorder : recorders_) {
    recorder->SetFinishedImageObserver([this](const std::filesystem::path& image) {
      std::lock_guard lock(finishedMutex_);
      finished_.push_back(image);
    });
  }
  std::vector<std::unique_ptr<DeviceProvider>> providers;
  providers.push_back(std::make_unique<TracingDeviceProvider>(std::move(provider), trace));
  registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
  registry->EnumerateDrives();
  runner = std::make_unique<JobRunner>(*registry, prompt, leases, &recorderPorts);
  trace->Clear();
}

VirtualBench::~VirtualBench() { runner.reset(); }

std::unique_ptr<datadisc::SourceTree> VirtualBench::TreeOf(const std::filesystem::path& folder) {
  return BuildSourceTree(folder.string());
}

VirtualBench::Outcome VirtualBench::Burn(JobProcedure procedure, int drive, const datadisc::SourceTree& tree,
                                         std::uint8_t multiSession, std::uint32_t speed) {
  JobInputs inputs;
  inputs.sourceTree = tree.Clone();
  return Run(std::move(procedure), std::move(inputs), drive, multiSession, speed);
}

VirtualBench::Outcome VirtualBench::BurnFiles(JobProcedure procedure, int drive, std::vector<std::string> files,
                                              std::uint8_t multiSession, std::uint32_t speed) {
  JobInputs inputs;
  inputs.sourceFiles = std::move(files);
  return Run(std::move(procedure), std::move(inputs), drive, multiSession, speed);
}

VirtualBench::Outcome VirtualBench::Run(JobProcedure procedure, JobInputs inputs, int drive,
                                        std::uint8_t multiSession, std::uint32_t speed) {
  inputs.currentDrive = drive;
  inputs.writeSpeed = speed;
  inputs.multiSession = multiSession;
  inputs.verify = verify;
  Outcome outcome;
  outcome.progress = std::make_shared<test::RecordingProgress>();
  auto job = runner->Start(std::move(procedure), std::move(inputs), outcome.progress);
  if (!job) throw std::runtime_error("the job did not start");
  job->Wait();
  outcome.result = job->result();
  return outcome;
}

std::vector<std::filesystem::path> VirtualBench::finishedImages() const {
  std::lock_guard lock(finishedMutex_);
  return finished_;
}

void ExtractMode1UserData(const std::filesystem::path& bin, const std::filesystem::path& iso) {
  constexpr std::size_t kRaw = 2352;
  constexpr std::size_t kUserDataOffset = 16;
  constexpr std::size_t kUserData = 2048;
  std::ifstream in(bin, std::ios::binary);
  std::ofstream out(iso, std::ios::binary);
  std::vector<char> sector(kRaw);
  while (in.read(sector.data(), static_cast<std::streamsize>(kRaw))) {
    out.write(sector.data() + kUserDataOffset, static_cast<std::streamsize>(kUserData));
  }
}

std::filesystem::path BinOf(const std::filesystem::path& cue) {
  auto bin = cue;
  bin.replace_extension(".bin");
  return bin;
}

}  // namespace brenmark::endtoend
