#include "virtualdrive/expose/ExposedDevice.h"

#include <linux/cdrom.h>
#include <linux/fs.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "virtualdrive/expose/CdromRequests.h"
#include "virtualdrive/expose/SgIoAnswer.h"

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

ExposedDevice::ExposedDevice(std::string path, unsigned number, bool writesDvd, std::function<ExposedRecorder()> recorder)
    : path_(std::move(path)), number_(number), writesDvd_(writesDvd), recorder_(std::move(recorder)) {}

void ExposedDevice::Describe(struct stat& status) const {
  std::memset(&status, 0, sizeof status);
  status.st_mode = kNodeMode;
  status.st_nlink = 1;
  status.st_rdev = makedev(kScsiCdRomMajor, number_);
  status.st_dev = makedev(0, 5);  // the device folder's file system
  status.st_ino = 0x42000 + number_;
  status.st_blksize = 2048;
}

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

bool ExposedDevice::Open(int& error) {
  if (recorder_().recorder.Claim() == virtualdrive::VirtualRecorder::ClaimResult::Busy) {
    error = EBUSY;
    return false;
  }
  return true;
}

void ExposedDevice::Close() { recorder_().recorder.Release(); }

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
