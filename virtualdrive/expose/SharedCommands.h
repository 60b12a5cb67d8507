#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorder.h"
#include "virtualdrive/expose/TurnFile.h"

namespace brenmark::expose {

// The commands of a recorder whose device several processes may hold at
// once: a parent and the child it forked, a program and the one it ran with
// the device's descriptor, or one that was sent the descriptor. Each process
// runs its own copy of the recorder, and every command takes the turn on the
// recorder's lock file (see TurnFile). A turn begins by reading the tray
// again when another process has handed over since this one last did, and by
// adopting the removal lock and the unreported changes of disc, which the
// holders share as one drive's; it ends by handing back what changed.
//
// Once the device is shared, each turn hands over the disc too (its state
// written beside the image). A device held by one process alone writes no
// disc state until it is closed (or ejects the disc), as before; from its
// first command that may change the disc until then it keeps the turn, so
// that a tray action of another process (see HolderTurns) never changes the
// disc under changes not yet written.
class SharedCommands final : public ScsiTransport {
 public:
  // `shared` says whether the device is shared; `lockFile` is the recorder's
  // folder lock file.
  SharedCommands(virtualdrive::VirtualRecorder& recorder, std::unique_ptr<ScsiTransport> commands,
                 std::filesystem::path lockFile, const std::atomic<bool>& shared);

  bool Open() override { return commands_->Open(); }
  void Close() override { commands_->Close(); }
  CommandOutcome Execute(const ScsiRequest& request) override;

  // Hands over what this process changed, now: before another process first
  // reaches the device, and when this one lets it go.
  void HandOver();
  // This process lets the device go: hands over and ends the recorder's
  // claim within one turn, so that another process's tray action cannot
  // change the disc between the two (the claim's end would write the old
  // disc's state over the new one's).
  void Let();
  // A hold of the device no other process has: the removal lock of earlier
  // holders ended with them, and this process's state is the device's.
  void StartHold();
  // In a forked child: the lock's descriptor is the parent's, whose lock a
  // child cannot take turns against; the child opens its own.
  void LeaveParentsLock() {
    turns_.Close();
    keeping_ = false;
  }

 private:
  // Waits for the turn and catches up with the other processes; false when
  // the lock file cannot be used (the command then runs without turns).
  bool BeginTurn();
  // Hands back the shared state, and the turn unless this process keeps it.
  void FinishTurn();
  void WriteHeldState();
  void CountHandOver();

  virtualdrive::VirtualRecorder& recorder_;
  std::unique_ptr<ScsiTransport> commands_;
  const std::atomic<bool>& shared_;
  TurnFile turns_;
  std::uint64_t handOversSeen_ = 0;
  std::optional<std::uint32_t> heldSeen_;  // nothing before the first turn
  bool unsaved_ = false;  // a lone holder's changes of the disc not yet written
  bool keeping_ = false;  // the turn is kept between commands, for unsaved_
};

}  // namespace brenmark::expose
