#pragma once

#include <memory>
#include <string>
#include <vector>

#include "drive/CommandTrace.h"
#include "drive/ScsiTransport.h"

namespace brenmark {

// A transport that passes everything on to the one it wraps and tells the
// trace of every command it executes, under the drive's name.
class TracingTransport final : public ScsiTransport {
 public:
  TracingTransport(std::unique_ptr<ScsiTransport> wrapped, std::shared_ptr<CommandTrace> trace, std::string drive);

  bool Open() override { return wrapped_->Open(); }
  bool OpenShared() override { return wrapped_->OpenShared(); }
  CommandOutcome OpenFailure() const override { return wrapped_->OpenFailure(); }
  void Close() override { wrapped_->Close(); }
  CommandOutcome Execute(const ScsiRequest& request) override;

 private:
  std::unique_ptr<ScsiTransport> wrapped_;
  std::shared_ptr<CommandTrace> trace_;
  std::string drive_;
};

// A device provider whose every device's transport is traced, named by its
// device path (its short name when it has no path). What the devices are and
// the transport the provider stands for stay those of the wrapped provider.
class TracingDeviceProvider final : public DeviceProvider {
 public:
  TracingDeviceProvider(std::unique_ptr<DeviceProvider> wrapped, std::shared_ptr<CommandTrace> trace);

  std::vector<DeviceCandidate> FindDevices() override;
  ProviderTransport Transport() const override { return wrapped_->Transport(); }

 private:
  std::unique_ptr<DeviceProvider> wrapped_;
  std::shared_ptr<CommandTrace> trace_;
};

}  // namespace brenmark
