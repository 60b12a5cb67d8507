#pragma once

#include <cstdint>
#include <filesystem>
#include <utility>

namespace brenmark::expose {

// A recorder's folder lock file as the processes holding its device share
// it. Its byte locks: the first is the folder lock (platform::FolderLock),
// which the device's open description carries; the second is the turn, one
// command at a time; the third, read-locked by the device's open description
// too, tells other processes that the holders take turns (a tray action may
// then take one). Its bytes: the count of hand-overs of the disc, then the
// removal lock and the changes not yet reported (HeldDriveState). The locks
// are advisory; nothing else reads the file.
class TurnFile {
 public:
  explicit TurnFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TurnFile() { Close(); }
  TurnFile(const TurnFile&) = delete;
  TurnFile& operator=(const TurnFile&) = delete;

  // Takes the turn, waiting for it with `wait`, else false when another has
  // it; false too when the file cannot be opened or is not a regular file.
  bool Take(bool wait);
  void End();
  // Closes this process's own description of the file (a forked child's is
  // its parent's, whose turn it cannot take turns against).
  void Close();

  // Within the turn. A file shorter than the record reads as zeros.
  struct Record {
    std::uint64_t handOvers = 0;
    std::uint32_t held = 0;
  };
  Record Read();
  bool WriteHandOvers(std::uint64_t count);
  bool WriteHeld(std::uint32_t held);

  // Whether the holder of the folder lock is a device taking turns.
  bool HeldByDevice();
  // Marks `deviceDescriptor`, the device's description of the file holding
  // the folder lock, as one taking turns.
  static bool MarkDevice(int deviceDescriptor);

 private:
  bool Open();

  std::filesystem::path path_;
  int descriptor_ = -1;
};

}  // namespace brenmark::expose
