#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "drive/ScsiTransport.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::expose {

// The commands of a recorder whose device several processes may hold at
// once: a parent and the child it forked, a program and the one it ran with
// the device's descriptor, or one that was sent the descriptor. Each process
// runs its own copy of the recorder; once the device is shared, they take
// turns, one command at a time, under a lock on the recorder's lock file.
// A turn begins by reading the tray again when another process has handed
// over since this one last did, and ends by handing over what the command
// changed (its disc state written beside the image), counting the hand-overs
// in the lock file. A device held by one process alone goes straight to the
// recorder: nothing is written until it is closed, as before.
class SharedCommands final : public ScsiTransport {
 public:
  // `shared` says whether the device is shared; `lockFile` is the recorder's
  // folder lock file.
  SharedCommands(virtualdrive::VirtualRecorder& recorder, std::unique_ptr<ScsiTransport> commands,
                 std::filesystem::path lockFile, const std::atomic<bool>& shared);
  ~SharedCommands() override;

  bool Open() override { return commands_->Open(); }
  void Close() override { commands_->Close(); }
  CommandOutcome Execute(const ScsiRequest& request) override;

  // Hands over what this process changed, now, once the device is shared:
  // before another process first reaches it, and when this one lets it go.
  void HandOver();
  // In a forked child: the lock's descriptor is the parent's, whose lock a
  // child cannot take turns against; the child opens its own.
  void LeaveParentsLock();

 private:
  // Waits for the turn; false when the lock file cannot be used (the
  // command then runs without turns, as a device held by one process).
  bool TakeTurn();
  void EndTurn();
  std::uint64_t HandOvers();
  void CountHandOver();

  virtualdrive::VirtualRecorder& recorder_;
  std::unique_ptr<ScsiTransport> commands_;
  std::filesystem::path lockFile_;
  const std::atomic<bool>& shared_;
  int lockDescriptor_ = -1;
  std::uint64_t handOversSeen_ = 0;
};

}  // namespace brenmark::expose
