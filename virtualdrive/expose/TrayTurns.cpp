#include "virtualdrive/expose/TrayTurns.h"

#include <thread>

#include "platform/FolderLock.h"

namespace brenmark::expose {

bool TrayTurns::Holding(const std::filesystem::path& workFolder) {
  return TurnFile(workFolder / platform::FolderLock::kLockFileName).HeldByDevice();
}

TrayTurns::Turn TrayTurns::TakeTurn(const std::filesystem::path& workFolder) {
  file_ = std::make_unique<TurnFile>(workFolder / platform::FolderLock::kLockFileName);
  if (!file_->HeldByDevice()) return Turn::NoHolder;
  const auto giveUp = std::chrono::steady_clock::now() + patience_;
  while (!file_->Take(false)) {
    if (std::chrono::steady_clock::now() >= giveUp) return Turn::Busy;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // The last holder may have let the device go meanwhile: the folder lock is
  // then free for the ordinary claim.
  if (!file_->HeldByDevice()) {
    file_->End();
    return Turn::NoHolder;
  }
  return Turn::Taken;
}

virtualdrive::HeldDriveState TrayTurns::State() {
  return virtualdrive::HeldDriveState::FromPacked(file_->Read().held);
}

void TrayTurns::HandOver(const virtualdrive::HeldDriveState& state) {
  file_->WriteHeld(state.Packed());
  file_->WriteHandOvers(file_->Read().handOvers + 1);
}

void TrayTurns::EndTurn() { file_->End(); }

}  // namespace brenmark::expose
