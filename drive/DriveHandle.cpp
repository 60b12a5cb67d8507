#include "drive/DriveHandle.h"

#include <utility>

#include "drive/DriveRegistry.h"
#include "drive/MmcCommand.h"

namespace brenmark {

namespace {

constexpr std::uint8_t kUnitAttention = 0x06;

}  // namespace

DriveHandle::DriveHandle(DriveSlot& slot, int index, UserPrompt& prompt, Sleeper& sleeper)
    : slot_(&slot), record_(&slot.record), index_(index), prompt_(&prompt), sleeper_(&sleeper) {}

DriveHandle::DriveHandle(DriveHandle&& other) noexcept
    : slot_(std::exchange(other.slot_, nullptr)),
      record_(other.record_),
      index_(other.index_),
      prompt_(other.prompt_),
      sleeper_(other.sleeper_),
      readRetries_(other.readRetries_),
      bufferReportIgnored_(other.bufferReportIgnored_) {}

DriveHandle& DriveHandle::operator=(DriveHandle&& other) noexcept {
  if (this != &other) {
    Close();
    slot_ = std::exchange(other.slot_, nullptr);
    record_ = other.record_;
    index_ = other.index_;
    prompt_ = other.prompt_;
    sleeper_ = other.sleeper_;
    readRetries_ = other.readRetries_;
    bufferReportIgnored_ = other.bufferReportIgnored_;
  }
  return *this;
}

DriveHandle::~DriveHandle() { Close(); }

const Drive& DriveHandle::drive() const { return *record_; }

void DriveHandle::Close() {
  DriveSlot* slot = std::exchange(slot_, nullptr);
  if (slot == nullptr) return;
  if (slot->transport) slot->transport->Close();
  slot->open = false;
}

CommandOutcome DriveHandle::Send(const mmc::Command& command, std::uint8_t* buffer, std::uint32_t length) {
  if (slot_ == nullptr || !slot_->transport) return TransportResult::TransportFailure;
  ScsiRequest request;
  request.cdb = command.cdb.data();
  request.cdbLength = command.cdbLength;
  request.direction = command.direction;
  request.buffer = buffer;
  request.length = length;
  request.timeoutSeconds = command.timeoutSeconds;
  CommandOutcome outcome = slot_->transport->Execute(request);
  // A unit attention (the disc was changed, the drive reset) tells the host
  // of an event and does not run the command: sent once more, it runs.
  if (outcome.sense && outcome.sense->key == kUnitAttention) outcome = slot_->transport->Execute(request);
  return outcome;
}

DriveStatus DriveHandle::Query(const mmc::Command& command, std::span<std::uint8_t> response) {
  CommandOutcome outcome = Send(command, response.data(), static_cast<std::uint32_t>(response.size()));
  if (!outcome.good()) return outcome;
  return Done{};
}

const char* OpenFailureText(const CommandOutcome& openFailure, const char* otherwise) {
  return openFailure.DeviceInUse() ? kDriveInUseText : otherwise;
}

}  // namespace brenmark
