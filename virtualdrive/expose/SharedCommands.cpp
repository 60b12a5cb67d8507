#include "virtualdrive/expose/SharedCommands.h"

#include <utility>

namespace brenmark::expose {
namespace {

constexpr std::uint8_t kStartStopUnit = 0x1B;

// Whether a command may change the disc or the tray: all but those that
// only ask or read, and those whose settings do not live with the disc.
bool MayChangeTheDisc(std::uint8_t opcode) {
  constexpr std::uint8_t kLeaveTheDisc[] = {
      0x00, 0x03, 0x12, 0x15, 0x1A, 0x1E, 0x23, 0x25, 0x28, 0x2B, 0x42, 0x43, 0x44, 0x46, 0x4A, 0x51,
      0x52, 0x54, 0x55, 0x5A, 0x5C, 0xA8, 0xAC, 0xAD, 0xB6, 0xB9, 0xBB, 0xBD, 0xBE};
  for (const std::uint8_t leaves : kLeaveTheDisc) {
    if (opcode == leaves) return false;
  }
  return true;
}

}  // namespace

SharedCommands::SharedCommands(virtualdrive::VirtualRecorder& recorder, std::unique_ptr<ScsiTransport> commands,
                               std::filesystem::path lockFile, const std::atomic<bool>& shared)
    : recorder_(recorder), commands_(std::move(commands)), shared_(shared), turns_(std::move(lockFile)) {}

CommandOutcome SharedCommands::Execute(const ScsiRequest& request) {
  if (!BeginTurn()) return commands_->Execute(request);
  const CommandOutcome outcome = commands_->Execute(request);
  const std::uint8_t opcode = request.cdb != nullptr && request.cdbLength > 0 ? request.cdb[0] : 0;
  // The holder's own eject or load has written the tray already: handed over
  // at once, it leaves the tray to the user again.
  if (shared_.load(std::memory_order_acquire) || opcode == kStartStopUnit) {
    if (recorder_.HandOver()) CountHandOver();
    unsaved_ = false;
  } else if (MayChangeTheDisc(opcode)) {
    unsaved_ = true;
  }
  FinishTurn();
  return outcome;
}

void SharedCommands::HandOver() {
  const bool turn = BeginTurn();
  if (recorder_.HandOver() && turn) CountHandOver();
  unsaved_ = false;
  if (turn) FinishTurn();
}

void SharedCommands::Let() {
  const bool turn = BeginTurn();
  if (recorder_.HandOver() && turn) CountHandOver();
  unsaved_ = false;
  keeping_ = false;
  if (turn) WriteHeldState();
  recorder_.Release();
  if (turn) turns_.End();
}

void SharedCommands::StartHold() {
  if (!keeping_ && !turns_.Take(true)) return;
  handOversSeen_ = turns_.Read().handOvers;
  heldSeen_ = recorder_.HeldState().Packed();
  turns_.WriteHeld(*heldSeen_);
  unsaved_ = false;
  keeping_ = false;
  turns_.End();
}

bool SharedCommands::BeginTurn() {
  // Kept since the last command, the turn found the file as this process left it.
  if (keeping_) return true;
  if (!turns_.Take(true)) return false;
  const TurnFile::Record record = turns_.Read();
  if (record.handOvers != handOversSeen_) {
    recorder_.ReadTrayAgain();
    handOversSeen_ = record.handOvers;
  }
  if (record.held != heldSeen_) {
    recorder_.AdoptHeldState(virtualdrive::HeldDriveState::FromPacked(record.held));
    heldSeen_ = record.held;
  }
  return true;
}

void SharedCommands::FinishTurn() {
  WriteHeldState();
  keeping_ = unsaved_;
  if (!keeping_) turns_.End();
}

void SharedCommands::WriteHeldState() {
  const std::uint32_t held = recorder_.HeldState().Packed();
  if (held != heldSeen_ && turns_.WriteHeld(held)) heldSeen_ = held;
}

void SharedCommands::CountHandOver() {
  // Not counted, the other processes keep the tray they read: their next
  // commands see what this one found before the hand-over, as after a failed write.
  if (turns_.WriteHandOvers(handOversSeen_ + 1)) ++handOversSeen_;
}

}  // namespace brenmark::expose
