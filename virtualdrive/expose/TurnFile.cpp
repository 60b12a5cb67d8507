#include "virtualdrive/expose/TurnFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace brenmark::expose {
namespace {

constexpr off_t kTurnByte = 1;
constexpr off_t kDeviceByte = 2;
constexpr off_t kHandOversAt = 0;
constexpr off_t kHeldAt = 8;

bool LockByte(int descriptor, off_t byte, short type, bool wait) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = byte;
  range.l_len = 1;
  while (::fcntl(descriptor, wait ? F_OFD_SETLKW : F_OFD_SETLK, &range) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool TurnFile::Open() {
  if (descriptor_ >= 0) return true;
  const int descriptor = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (descriptor < 0) return false;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  return true;
}

bool TurnFile::Take(bool wait) { return Open() && LockByte(descriptor_, kTurnByte, F_WRLCK, wait); }

void TurnFile::End() {
  if (descriptor_ >= 0) LockByte(descriptor_, kTurnByte, F_UNLCK, false);
}

void TurnFile::Close() {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
}

TurnFile::Record TurnFile::Read() {
  unsigned char bytes[kHeldAt + sizeof(std::uint32_t)] = {};
  Record record;
  if (descriptor_ < 0 || ::pread(descriptor_, bytes, sizeof bytes, 0) < 0) return record;
  std::memcpy(&record.handOvers, bytes + kHandOversAt, sizeof record.handOvers);
  std::memcpy(&record.held, bytes + kHeldAt, sizeof record.held);
  return record;
}

bool TurnFile::WriteHandOvers(std::uint64_t count) {
  return descriptor_ >= 0 && ::pwrite(descriptor_, &count, sizeof count, kHandOversAt) == sizeof count;
}

bool TurnFile::WriteHeld(std::uint32_t held) {
  return descriptor_ >= 0 && ::pwrite(descriptor_, &held, sizeof held, kHeldAt) == sizeof held;
}

bool TurnFile::HeldByDevice() {
  if (!Open()) return false;
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = kDeviceByte;
  range.l_len = 1;
  return ::fcntl(descriptor_, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

bool TurnFile::MarkDevice(int deviceDescriptor) { return LockByte(deviceDescriptor, kDeviceByte, F_RDLCK, false); }

}  // namespace brenmark::expose
