#include "virtualdrive/expose/SharedCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace brenmark::expose {
namespace {

// The turn is a lock on the lock file's second byte: the first is the
// folder lock every holder of the recorder takes. The count of hand-overs
// is the file's first eight bytes (the locks are advisory; nothing else
// reads the file).
constexpr off_t kTurnByte = 1;

bool LockTurn(int descriptor, short type) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = kTurnByte;
  range.l_len = 1;
  while (::fcntl(descriptor, F_OFD_SETLKW, &range) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

SharedCommands::SharedCommands(virtualdrive::VirtualRecorder& recorder, std::unique_ptr<ScsiTransport> commands,
                               std::filesystem::path lockFile, const std::atomic<bool>& shared)
    : recorder_(recorder), commands_(std::move(commands)), lockFile_(std::move(lockFile)), shared_(shared) {}

SharedCommands::~SharedCommands() { LeaveParentsLock(); }

CommandOutcome SharedCommands::Execute(const ScsiRequest& request) {
  if (!shared_.load(std::memory_order_acquire) || !TakeTurn()) return commands_->Execute(request);
  const std::uint64_t handOvers = HandOvers();
  if (handOvers != handOversSeen_) {
    recorder_.ReadTrayAgain();
    handOversSeen_ = handOvers;
  }
  const CommandOutcome outcome = commands_->Execute(request);
  if (recorder_.HandOver()) CountHandOver();
  EndTurn();
  return outcome;
}

void SharedCommands::HandOver() {
  if (!shared_.load(std::memory_order_acquire)) return;
  const bool turn = TakeTurn();
  if (recorder_.HandOver() && turn) CountHandOver();
  if (turn) {
    handOversSeen_ = HandOvers();
    EndTurn();
  }
}

void SharedCommands::LeaveParentsLock() {
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
  lockDescriptor_ = -1;
}

bool SharedCommands::TakeTurn() {
  if (lockDescriptor_ < 0) {
    lockDescriptor_ = ::open(lockFile_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (lockDescriptor_ < 0) return false;
  }
  return LockTurn(lockDescriptor_, F_WRLCK);
}

void SharedCommands::EndTurn() { LockTurn(lockDescriptor_, F_UNLCK); }

std::uint64_t SharedCommands::HandOvers() {
  std::uint64_t count = 0;
  if (::pread(lockDescriptor_, &count, sizeof count, 0) != static_cast<ssize_t>(sizeof count)) return 0;
  return count;
}

void SharedCommands::CountHandOver() {
  handOversSeen_ = HandOvers() + 1;
  // Not counted, the other processes keep the tray they read: their next
  // commands see what this one found before the hand-over, as after a failed write.
  if (::pwrite(lockDescriptor_, &handOversSeen_, sizeof handOversSeen_, 0) < 0) handOversSeen_ = HandOvers();
}

}  // namespace brenmark::expose
