#include "drive/DriveRegistry.h"

#include <utility>

#include "drive/MmcCommand.h"

namespace brenmark {
namespace {

std::string LimitText(std::string text) {
  if (text.size() > Drive::kTextLimit) text.resize(Drive::kTextLimit);
  return text;
}

}  // namespace

DriveRegistry::DriveRegistry(UserPrompt& prompt, Sleeper& sleeper,
                             std::vector<std::unique_ptr<DeviceProvider>> providers)
    : prompt_(prompt), sleeper_(sleeper), providers_(std::move(providers)) {}

DriveRegistry::~DriveRegistry() {
  for (auto& slot : drives) {
    if (slot && slot->deviceHandle) slot->deviceHandle->Close();
  }
}

bool DriveRegistry::HasDrive(int index) const {
  return index >= 0 && index < driveCount && index < kMaxDrives &&
         drives[static_cast<std::size_t>(index)] != nullptr;
}

bool DriveRegistry::EnumerateDrives() {
  if (enumerated_) return *enumerated_;  // the table is fixed once filled
  bool usable = true;
  for (auto& provider : providers_) {
    if (driveCount >= kMaxDrives) break;
    std::vector<DeviceCandidate> candidates = provider->FindDevices();
    const ProviderTransport transport = provider->Transport();
    if (!transport.usable) usable = false;
    if (accessMode == AccessMode::None && transport.mode != AccessMode::None) {
      accessMode = transport.mode;
      aspiFunctions = transport.aspiFunctions;
    }
    for (DeviceCandidate& candidate : candidates) {
      if (driveCount >= kMaxDrives) break;
      AddEnumeratedDevice(std::move(candidate), transport.mode);
    }
  }
  // Devices that stand for no platform transport (the virtual recorders) are
  // reached through an opened device, as the pass-through's are.
  if (accessMode == AccessMode::None && usable) accessMode = AccessMode::Spti;
  currentDrive = driveCount != 0 ? 0 : -1;
  enumerated_ = usable;
  return usable;
}

void DriveRegistry::AddEnumeratedDevice(DeviceCandidate candidate, AccessMode mode) {
  const int index = driveCount;
  auto record = std::make_unique<Drive>();
  record->haId = candidate.haId;
  record->targetId = candidate.targetId;
  record->lun = candidate.lun;
  record->devicePath = LimitText(std::move(candidate.devicePath));
  // A host-adapter device is named by its model text alone.
  if (mode != AccessMode::Aspi) record->displayName = LimitText(candidate.shortName + ": ");
  record->deviceHandle = std::move(candidate.transport);
  drives[static_cast<std::size_t>(index)] = std::move(record);
  ++driveCount;

  Drive& added = drive(index);
  // Only looked at: another program holding the drive does not hide it.
  if (!added.deviceHandle || !added.deviceHandle->OpenShared()) {
    prompt_.ShowMessage("Can't Retrieve CD/DVD Device Model.", MessageIcon::Plain);
    return;
  }
  added.isOpen = true;

  std::string model;
  const bool hasModel = Inquiry(index, model);
  if (!hasModel && mode == AccessMode::Aspi) {
    // A host-adapter device that does not answer INQUIRY is left out.
    CloseDevice(index);
    drives[static_cast<std::size_t>(index)].reset();
    --driveCount;
    return;
  }
  if (hasModel) added.displayName = LimitText(added.displayName + model);
  added.interfaceStandard = GetConfiguration(index);
  std::uint32_t mask = 0;
  if (GetCapabilities(index, &mask, nullptr, nullptr, {})) {
    added.canWriteCdR = (mask & capability::kWritesCdR) ? 1 : 0;
    added.canWriteCdRw = (mask & capability::kWritesCdRw) ? 1 : 0;
    added.canWriteDvdR = (mask & capability::kWritesDvdR) ? 1 : 0;
    added.canTestWrite = (mask & capability::kTestWrite) ? 1 : 0;
    added.canWriteDvdRam = (mask & capability::kWritesDvdRam) ? 1 : 0;
    added.capabilitiesRead = true;
  }
  CloseDevice(index);
}

bool DriveRegistry::OpenDevice(int index) {
  if (!HasDrive(index)) return false;
  Drive& target = drive(index);
  if (target.isOpen) return true;
  if (!target.deviceHandle || !target.deviceHandle->Open()) {
    target.lastError = 1;
    target.lastOutcome = target.deviceHandle ? target.deviceHandle->OpenFailure()
                                             : CommandOutcome(TransportResult::TransportFailure);
    return false;
  }
  target.isOpen = true;
  target.bufferReportIgnored = false;
  return true;
}

bool DriveRegistry::CloseDevice(int index) {
  if (!HasDrive(index)) return false;
  Drive& target = drive(index);
  if (target.deviceHandle) target.deviceHandle->Close();
  target.isOpen = false;
  return true;
}

const char* DriveRegistry::OpenFailureText(int index, const char* otherwise) const {
  return LastOutcome(index).DeviceInUse() ? kDriveInUseText : otherwise;
}

const CommandOutcome& DriveRegistry::LastOutcome(int index) const {
  static const CommandOutcome kNoDrive(TransportResult::TransportFailure);
  return HasDrive(index) ? drives[static_cast<std::size_t>(index)]->lastOutcome : kNoDrive;
}

TransportResult DriveRegistry::Send(int index, const mmc::Command& command, std::uint8_t* buffer,
                                    std::uint32_t length) {
  if (!HasDrive(index)) return TransportResult::TransportFailure;
  Drive& target = drive(index);
  if (!target.isOpen || !target.deviceHandle) {
    target.lastOutcome = TransportResult::TransportFailure;
    return TransportResult::TransportFailure;
  }
  ScsiRequest request;
  request.cdb = command.cdb.data();
  request.cdbLength = command.cdbLength;
  request.direction = command.direction;
  request.buffer = buffer;
  request.length = length;
  request.timeoutSeconds = command.timeoutSeconds;
  target.lastOutcome = target.deviceHandle->Execute(request);
  return target.lastOutcome.result;
}

}  // namespace brenmark
