#include "virtualdrive/expose/ExposedDevice.h"

#include <linux/cdrom.h>
#include <linux/fs.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/PrivateFolder.h"
#include "virtualdrive/expose/CdromRequests.h"
#include "virtualdrive/expose/SharedCommands.h"
#include "virtualdrive/expose/SgIoAnswer.h"
#include "virtualdrive/expose/TurnFile.h"

namespace brenmark::expose {
namespace {

constexpr unsigned kScsiCdRomMajor = 11;
constexpr mode_t kNodeMode = S_IFBLK | 0666;
constexpr int kSgVersion = 30527;
// The largest transfer one command takes, as a drive's request queue limits
// it; a reserved buffer asked for beyond it is cut to it.
constexpr int kMaximumTransfer = 65536;
constexpr int kCdRomDeviceType = 5;
// How many descriptors have the device open; the C library's header leaves it out.
constexpr unsigned long kSgGetAccessCount = 0x2289;

// The address the SCSI queries report, as the kernel packs it for GET_IDLUN.
struct IdLun {
  int deviceId;
  int hostUniqueId;
};

template <typename Value>
int Answer(void* argument, Value value, int& error) {
  if (argument == nullptr) {
    error = EFAULT;
    return -1;
  }
  std::memcpy(argument, &value, sizeof value);
  return 0;
}

}  // namespace

std::optional<DescriptorIdentity> IdentityOf(int descriptor) {
  struct statx status {};
  if (::syscall(SYS_statx, descriptor, "", AT_EMPTY_PATH, STATX_INO, &status) != 0) return std::nullopt;
  return DescriptorIdentity{makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino};
}

ExposedDevice::ExposedDevice(std::string path, unsigned number, bool writesDvd, std::filesystem::path lockFile,
                             std::function<ExposedRecorder()> recorder)
    : path_(std::move(path)),
      number_(number),
      writesDvd_(writesDvd),
      lockFile_(std::move(lockFile)),
      recorder_(std::move(recorder)) {
  LearnIdentity();
}

void ExposedDevice::LearnIdentity() {
  // Known before this process opens it: a descriptor it inherited or is sent is recognised.
  struct statx status {};
  if (::syscall(SYS_statx, AT_FDCWD, lockFile_.c_str(), AT_SYMLINK_NOFOLLOW, STATX_INO, &status) == 0) {
    lockDevice_ = makedev(status.stx_dev_major, status.stx_dev_minor);
    lockInode_ = status.stx_ino;
  }
}

namespace {

// stat and stat64 differ in a 32-bit program and agree in a 64-bit one.
template <typename Status>
void DescribeNode(Status& status, unsigned number) {
  std::memset(&status, 0, sizeof status);
  status.st_mode = kNodeMode;
  status.st_nlink = 1;
  status.st_rdev = makedev(kScsiCdRomMajor, number);
  status.st_dev = makedev(0, 5);  // the device folder's file system
  status.st_ino = 0x42000 + number;
  status.st_blksize = 2048;
}

}  // namespace

void ExposedDevice::Describe(struct stat& status) const { DescribeNode(status, number_); }

void ExposedDevice::Describe(struct stat64& status) const { DescribeNode(status, number_); }

void ExposedDevice::Describe(struct statx& status) const {
  std::memset(&status, 0, sizeof status);
  status.stx_mask = STATX_BASIC_STATS;
  status.stx_mode = kNodeMode;
  status.stx_nlink = 1;
  status.stx_rdev_major = kScsiCdRomMajor;
  status.stx_rdev_minor = number_;
  status.stx_dev_minor = 5;
  status.stx_ino = 0x42000 + number_;
  status.stx_blksize = 2048;
}

int ExposedDevice::OpenHold(int flags, int& error) {
  std::string folderError;
  platform::CreatePrivateFolders(lockFile_.parent_path(), folderError);
  // Without blocking: a named pipe planted at the name must not hold the open up.
  const int descriptor =
      ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | (flags & O_CLOEXEC), 0600);
  if (descriptor < 0) {
    error = errno;
    Refuse(std::strerror(error));
    return -1;
  }
  // Only a lock on the regular file is the lock every user of the folder honours.
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = EIO;
    Refuse("it is not a regular file");
    ::close(descriptor);
    return -1;
  }
  // The program's own blocking or not is kept on the descriptor it is given.
  ::fcntl(descriptor, F_SETFL, flags & O_NONBLOCK);
  // The folder lock as platform::FolderLock takes it, so that the recorder's
  // other users (the desktop program, brenmark-cli) are kept out as well, and
  // the mark of a holder taking turns (see TurnFile).
  struct flock firstByte {};
  firstByte.l_type = F_WRLCK;
  firstByte.l_whence = SEEK_SET;
  firstByte.l_len = 1;
  if (::fcntl(descriptor, F_OFD_SETLK, &firstByte) != 0 || !TurnFile::MarkDevice(descriptor)) {
    const bool busy = errno == EAGAIN || errno == EACCES;
    error = busy ? EBUSY : errno;
    if (!busy) Refuse(std::strerror(error));
    ::close(descriptor);
    return -1;
  }
  if (const auto identity = IdentityOf(descriptor)) {
    lockDevice_ = identity->device;
    lockInode_ = identity->inode;
  }
  return descriptor;
}

void ExposedDevice::Refuse(const char* reason) const {
  std::fprintf(stderr, "brenmark-expose: %s cannot be opened: cannot lock %s: %s\n", path_.c_str(), lockFile_.c_str(),
               reason);
}

void ExposedDevice::StartHold() { recorder_().turns.StartHold(); }

bool ExposedDevice::Identifies(const DescriptorIdentity& identity) {
  if (lockInode_.load() == 0) LearnIdentity();
  return identity.inode != 0 && identity.inode == lockInode_.load() && identity.device == lockDevice_.load();
}

void ExposedDevice::Attach() {
  if (attached_++ == 0) recorder_().recorder.ClaimLocked();
}

void ExposedDevice::Detach() {
  if (attached_ == 0 || --attached_ > 0) return;
  recorder_().turns.Let();
}

void ExposedDevice::HandOver() {
  if (attached_ > 0) recorder_().turns.HandOver();
}

int ExposedDevice::Control(unsigned long request, void* argument, int& error) {
  switch (request) {
    case SG_IO:
      if (argument == nullptr) break;
      return AnswerSgIo(recorder_().commands, *static_cast<sg_io_hdr_t*>(argument), error);
    case SG_GET_VERSION_NUM: return Answer(argument, kSgVersion, error);
    case SG_GET_SCSI_ID: {
      Sg_scsi_id id{};
      id.host_no = static_cast<int>(number_);
      id.scsi_type = kCdRomDeviceType;
      id.h_cmd_per_lun = 1;
      id.d_queue_depth = 1;
      return Answer(argument, id, error);
    }
    case SCSI_IOCTL_GET_IDLUN: {
      // id, lun and channel 0; the host number in the top byte.
      const int host = static_cast<int>(number_ & 0xFF);
      return Answer(argument, IdLun{host << 24, host}, error);
    }
    case SCSI_IOCTL_GET_BUS_NUMBER: return Answer(argument, static_cast<int>(number_), error);
    case kSgGetAccessCount: return Answer(argument, 1, error);
    case SG_EMULATED_HOST: return Answer(argument, 0, error);
    case SG_GET_RESERVED_SIZE: return Answer(argument, reservedSize_.load(), error);
    case SG_SET_RESERVED_SIZE: {
      if (argument == nullptr) break;
      int size = 0;
      std::memcpy(&size, argument, sizeof size);
      if (size < 0) {
        error = EINVAL;
        return -1;
      }
      reservedSize_ = std::min(size, kMaximumTransfer);
      return 0;
    }
    case SG_GET_TIMEOUT: return timeoutTicks_.load();
    case SG_SET_TIMEOUT: {
      if (argument == nullptr) break;
      int ticks = 0;
      std::memcpy(&ticks, argument, sizeof ticks);
      timeoutTicks_ = ticks;
      return 0;
    }
    // The block device's size and block size, which programs reading the
    // node plainly ask for.
    case BLKGETSIZE64: return Answer(argument, static_cast<std::uint64_t>(Size()), error);
    case BLKGETSIZE: return Answer(argument, static_cast<unsigned long>(Size() / 512), error);
    case BLKSSZGET: return Answer(argument, 2048, error);
    case CDROM_GET_CAPABILITY: {
      // Found once, as the driver finds it when the drive is attached.
      if (capabilities_.load() < 0) capabilities_ = CdromRequests(recorder_().commands).Capabilities();
      return capabilities_.load();
    }
    case CDROM_SELECT_SPEED: return 0;
    default: {
      bool handled = false;
      const int result = CdromRequests(recorder_().commands).Answer(request, argument, handled, error);
      if (handled) return result;
      error = ENOTTY;
      return -1;
    }
  }
  error = EFAULT;
  return -1;
}

ssize_t ExposedDevice::Read(void* buffer, std::size_t count, off_t offset, int& error) {
  return CdromRequests(recorder_().commands).Read(buffer, count, offset, error);
}

off_t ExposedDevice::Size() { return CdromRequests(recorder_().commands).Size(); }

}  // namespace brenmark::expose
