#include "shell/EngineSession.h"

#include "drive/CommandTraceFile.h"
#include "drive/PlatformDevices.h"
#include "drive/TracingTransport.h"
#include "platform/Environment.h"
#include "platform/Utf8Path.h"

namespace brenmark {

EngineSession::EngineSession(UserPrompt& prompt, Options options)
    : prompt_(prompt),
      trays_(options.virtualRecorderFolder, std::move(options.onFinishedImage)),
      registry_(prompt, sleeper_, MakeProviders(options)),
      recorderPorts_([this](int drive) { return RecorderAt(drive); }),
      jobs_(registry_, prompt, leases_, &recorderPorts_) {
  for (const auto& recorder : trays_.recorders()) {
    if (options.onWriteProblem) recorder->SetWriteProblemObserver(options.onWriteProblem);
  }
  registry_.EnumerateDrives();
  leases_.ClaimAcrossProcesses(recorderPorts_);
}

EngineSession::~EngineSession() = default;

std::vector<std::unique_ptr<DeviceProvider>> EngineSession::MakeProviders(const Options& options) {
  std::unique_ptr<DeviceProvider> realDrives;
  if (options.realDrives) {
    realDrives = MakePlatformDeviceProvider(prompt_, options.transport);
    foundTransport_ = realDrives != nullptr;
  }
  std::vector<std::unique_ptr<DeviceProvider>> providers = trays_.MakeProviders(std::move(realDrives));
  const std::filesystem::path traceFile =
      options.traceFile.empty() ? platform::PathFromEnvironment(kTraceVariable) : options.traceFile;
  if (traceFile.empty()) return providers;
  std::string error;
  const std::shared_ptr<CommandTrace> trace = CommandTraceFile::Open(traceFile, error);
  if (!trace) {
    traceProblem_ = "cannot trace the commands to " + platform::Utf8FromPath(traceFile) + ": " + error;
    return providers;
  }
  for (auto& provider : providers) provider = std::make_unique<TracingDeviceProvider>(std::move(provider), trace);
  return providers;
}

std::vector<std::string> EngineSession::StartupProblems() const {
  std::vector<std::string> problems;
  if (!traceProblem_.empty()) problems.push_back(traceProblem_);
  for (std::string& problem : trays_.StartupProblems()) problems.push_back(std::move(problem));
  return problems;
}

}  // namespace brenmark
