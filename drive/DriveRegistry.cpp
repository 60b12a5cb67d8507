#include "drive/DriveRegistry.h"

#include <cerrno>
#include <utility>

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
  for (auto& slot : slots_) {
    if (slot && slot->transport) slot->transport->Close();
  }
}

bool DriveRegistry::HasDrive(int index) const {
  return index >= 0 && index < driveCount && index < kMaxDrives &&
         slots_[static_cast<std::size_t>(index)] != nullptr;
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
  auto slot = std::make_unique<DriveSlot>();
  Drive& added = slot->record;
  added.haId = candidate.haId;
  added.targetId = candidate.targetId;
  added.lun = candidate.lun;
  added.devicePath = LimitText(std::move(candidate.devicePath));
  // A host-adapter device is named by its model text alone.
  if (mode != AccessMode::Aspi) added.displayName = LimitText(candidate.shortName + ": ");
  slot->transport = std::move(candidate.transport);
  DriveSlot& filled = *(slots_[static_cast<std::size_t>(index)] = std::move(slot));
  ++driveCount;

  // Only looked at: another program holding the drive does not hide it.
  if (!filled.transport || !filled.transport->OpenShared()) {
    added.lastError = 1;
    prompt_.ShowMessage("Can't Retrieve CD/DVD Device Model.", MessageIcon::Plain);
    return;
  }
  filled.open = true;
  DriveHandle handle(filled, index, prompt_, sleeper_);

  const DriveResult<std::string> model = handle.Inquiry();
  if (!model && mode == AccessMode::Aspi) {
    // A host-adapter device that does not answer INQUIRY is left out.
    handle.Close();
    slots_[static_cast<std::size_t>(index)].reset();
    --driveCount;
    return;
  }
  if (model) added.displayName = LimitText(added.displayName + *model);
  added.interfaceStandard = handle.GetConfiguration().value_or(0);
  if (const DriveResult<DriveCapabilities> capabilities = handle.GetCapabilities()) {
    const std::uint32_t mask = capabilities->mask;
    added.canWriteCdR = (mask & capability::kWritesCdR) ? 1 : 0;
    added.canWriteCdRw = (mask & capability::kWritesCdRw) ? 1 : 0;
    added.canWriteDvdR = (mask & capability::kWritesDvdR) ? 1 : 0;
    added.canTestWrite = (mask & capability::kTestWrite) ? 1 : 0;
    added.canWriteDvdRam = (mask & capability::kWritesDvdRam) ? 1 : 0;
    added.capabilitiesRead = true;
  } else {
    added.lastError = 2;
  }
}

DriveResult<DriveHandle> DriveRegistry::Open(int index) {
  if (!HasDrive(index)) return CommandOutcome(TransportResult::TransportFailure);
  DriveSlot& slot = *slots_[static_cast<std::size_t>(index)];
  // One handle at a time: a second one would share the device's state
  // behind the first one's back.
  if (slot.open.exchange(true)) return CommandOutcome::NotDelivered(EBUSY);
  if (!slot.transport || !slot.transport->Open()) {
    slot.open = false;
    return slot.transport ? slot.transport->OpenFailure() : CommandOutcome(TransportResult::TransportFailure);
  }
  return DriveHandle(slot, index, prompt_, sleeper_);
}

bool DriveRegistry::IsOpen(int index) const {
  return HasDrive(index) && slots_[static_cast<std::size_t>(index)]->open;
}

}  // namespace brenmark
