#include "virtualdrive/VirtualRecorderProvider.h"

#include <utility>

#include "platform/DataFolder.h"
#include "virtualdrive/EarlierLayout.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

fs::path DefaultVirtualRecorderFolder() {
  return platform::ApplicationDataFolder();
}

VirtualRecorderTransport::VirtualRecorderTransport(std::shared_ptr<VirtualRecorder> recorder)
    : recorder_(std::move(recorder)) {}

bool VirtualRecorderTransport::Open() {
  open_ = true;
  return true;
}

void VirtualRecorderTransport::Close() { open_ = false; }

CommandOutcome VirtualRecorderTransport::Execute(const ScsiRequest& request) {
  if (!open_) return TransportResult::TransportFailure;
  return recorder_->Execute(request);
}

VirtualRecorderProvider::VirtualRecorderProvider(const fs::path& folder) : burnedFolder_(folder / "burned discs") {
  MoveEarlierLayoutUp(folder);
  const std::vector<fs::path> dataFolders{folder};
  for (RecorderModel model : {CdRecorderModel(), DvdRecorderModel()}) {
    const fs::path work = folder / model.shortName;
    recorders_.push_back(std::make_shared<VirtualRecorder>(std::move(model), work, burnedFolder_, dataFolders));
  }
}

std::vector<DeviceCandidate> VirtualRecorderProvider::FindDevices() {
  std::vector<DeviceCandidate> devices;
  for (const auto& recorder : recorders_) {
    DeviceCandidate candidate;
    candidate.shortName = recorder->model().shortName;
    candidate.devicePath = recorder->model().shortName;
    candidate.transport = std::make_unique<VirtualRecorderTransport>(recorder);
    devices.push_back(std::move(candidate));
  }
  return devices;
}

}  // namespace brenmark::virtualdrive
