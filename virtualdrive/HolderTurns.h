#pragma once

#include <cstdint>
#include <filesystem>

#include "virtualdrive/MediaChanges.h"

namespace brenmark::virtualdrive {

// What the processes holding one recorder through a shared device have in
// common beside the disc, as a drive has it once for every program: whether
// the disc's removal is prevented, and the changes of disc not yet reported.
struct HeldDriveState {
  bool removalPrevented = false;
  MediaChanges media;

  std::uint32_t Packed() const { return media.Packed() | (removalPrevented ? kPrevented : 0); }
  static HeldDriveState FromPacked(std::uint32_t packed) {
    return {(packed & kPrevented) != 0, MediaChanges::FromPacked(packed & ~kPrevented)};
  }

 private:
  static constexpr std::uint32_t kPrevented = 1u << 24;
};

// The turns of the processes that hold a recorder through a device they
// share and that run its commands one at a time (an exposed device). A tray
// action of a process that does not hold the recorder takes such a turn to
// change the disc between two commands, as a user swaps the disc in a drive a
// program keeps open.
class HolderTurns {
 public:
  virtual ~HolderTurns() = default;

  // Whether such processes hold the recorder whose work folder is `workFolder`.
  virtual bool Holding(const std::filesystem::path& workFolder) = 0;

  enum class Turn : std::uint8_t {
    NoHolder,  // the recorder is not held by processes taking turns
    Taken,
    Busy,  // a holder keeps the turn: it is writing the disc
  };
  // Waits a moment for the turn of the holders of the recorder whose work
  // folder is `workFolder`.
  virtual Turn TakeTurn(const std::filesystem::path& workFolder) = 0;
  // Within the turn: the holders' state, and the state handed back to them
  // with the tray this process wrote.
  virtual HeldDriveState State() = 0;
  virtual void HandOver(const HeldDriveState& state) = 0;
  virtual void EndTurn() = 0;
};

}  // namespace brenmark::virtualdrive
