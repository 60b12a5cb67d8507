#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "virtualdrive/HolderTurns.h"
#include "virtualdrive/expose/TurnFile.h"

namespace brenmark::expose {

// The turn a tray action of another process (brenmark-cli tray) takes
// beside the programs holding a recorder's exposed device: the disc may be
// swapped between two of their commands, as in a drive a program keeps
// open, and they are told of it on their next command.
class TrayTurns final : public virtualdrive::HolderTurns {
 public:
  // How long a turn is waited for: a command may take a while at the real
  // pace, but a holder writing the disc keeps the turn until it is done.
  explicit TrayTurns(std::chrono::milliseconds patience = std::chrono::seconds(3)) : patience_(patience) {}

  bool Holding(const std::filesystem::path& workFolder) override;
  Turn TakeTurn(const std::filesystem::path& workFolder) override;
  virtualdrive::HeldDriveState State() override;
  void HandOver(const virtualdrive::HeldDriveState& state) override;
  void EndTurn() override;

 private:
  std::chrono::milliseconds patience_;
  std::unique_ptr<TurnFile> file_;
};

}  // namespace brenmark::expose
