#include "shell/EngineSession.h"

#include "drive/PlatformDevices.h"

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
  return trays_.MakeProviders(std::move(realDrives));
}

}  // namespace brenmark
