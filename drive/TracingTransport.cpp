#include "drive/TracingTransport.h"

#include <algorithm>
#include <utility>

namespace brenmark {

TracingTransport::TracingTransport(std::unique_ptr<ScsiTransport> wrapped, std::shared_ptr<CommandTrace> trace,
                                   std::string drive)
    : wrapped_(std::move(wrapped)), trace_(std::move(trace)), drive_(std::move(drive)) {}

CommandOutcome TracingTransport::Execute(const ScsiRequest& request) {
  TracedCommand command;
  command.sentAt = std::chrono::system_clock::now();
  const auto started = std::chrono::steady_clock::now();
  const CommandOutcome outcome = wrapped_->Execute(request);
  command.duration = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  command.drive = drive_;
  if (request.cdb != nullptr) {
    command.cdbLength = std::min<std::uint8_t>(request.cdbLength, static_cast<std::uint8_t>(command.cdb.size()));
    std::copy_n(request.cdb, command.cdbLength, command.cdb.begin());
  }
  command.direction = request.direction;
  command.length = request.length;
  command.outcome = outcome;
  trace_->Record(command);
  return outcome;
}

TracingDeviceProvider::TracingDeviceProvider(std::unique_ptr<DeviceProvider> wrapped,
                                             std::shared_ptr<CommandTrace> trace)
    : wrapped_(std::move(wrapped)), trace_(std::move(trace)) {}

std::vector<DeviceCandidate> TracingDeviceProvider::FindDevices() {
  std::vector<DeviceCandidate> devices = wrapped_->FindDevices();
  for (DeviceCandidate& device : devices) {
    if (!device.transport) continue;
    std::string name = device.devicePath.empty() ? device.shortName : device.devicePath;
    device.transport = std::make_unique<TracingTransport>(std::move(device.transport), trace_, std::move(name));
  }
  return devices;
}

}  // namespace brenmark
