#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::expose {

class SharedCommands;

// The recorder behind a device, the transport its commands go through and
// the turns it takes with other processes holding the device.
struct ExposedRecorder {
  virtualdrive::VirtualRecorder& recorder;
  ScsiTransport& commands;
  SharedCommands& turns;
};

// What a descriptor refers to, as the system tells it: the device and inode
// numbers of the file behind it.
struct DescriptorIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const DescriptorIdentity&, const DescriptorIdentity&) = default;
};
// Nothing when `descriptor` is not open. Asks the system directly, never
// through the interposed calls.
std::optional<DescriptorIdentity> IdentityOf(int descriptor);

// One virtual recorder shown as a SCSI CD-ROM device node (/dev/srN): what
// the stat calls give for it, what its open and close do to the recorder's
// claim, and its answers to ioctl.
class ExposedDevice {
 public:
  // The recorder is made when the device is first opened; `number` is the
  // node's minor number and the SCSI host number programs see.
  // `lockFile` is the recorder's folder lock file: a device held open is an
  // open description of that file carrying the folder lock, so that every
  // descriptor of it, wherever the system passes it, holds the recorder,
  // and the system releases it when the last one closes.
  ExposedDevice(std::string path, unsigned number, bool writesDvd, std::filesystem::path lockFile,
                std::function<ExposedRecorder()> recorder);

  const std::string& path() const { return path_; }
  bool writesDvd() const { return writesDvd_; }

  // A block device, major 11 (SCSI CD-ROM), minor `number`, readable and
  // writable by all.
  void Describe(struct stat& status) const;
  void Describe(struct stat64& status) const;
  void Describe(struct statx& status) const;

  // A new descriptor holding the device, with the O_CLOEXEC and O_NONBLOCK
  // of `flags`; -1 with `error` (EBUSY while another holder has it, as a
  // drive opened exclusively). When the lock cannot be taken at all (the
  // lock file is not a regular file, say), standard error says why.
  int OpenHold(int flags, int& error);
  // After OpenHold, once the descriptor is attached: see SharedCommands::StartHold.
  void StartHold();
  // Whether a descriptor with this identity is one of the device's.
  bool Identifies(const DescriptorIdentity& identity);

  // One device descriptor more or fewer in this process: the first claims
  // the recorder (reading the tray as the holders left it), the last hands
  // the disc over and releases the claim.
  void Attach();
  void Detach();
  int attached() const { return attached_; }
  // See SharedCommands::HandOver.
  void HandOver();

  // The ioctl requests a program makes on a CD/DVD device: SG_IO through the
  // recorder, the SCSI generic and CD-ROM queries; anything else is ENOTTY.
  // Returns the ioctl result; -1 with `error` set.
  int Control(unsigned long request, void* argument, int& error);

  // read() of the node: the data blocks' bytes from `offset` (see CdromRequests::Read).
  ssize_t Read(void* buffer, std::size_t count, off_t offset, int& error);
  // The node's size in bytes, which lseek from the end counts from.
  off_t Size();

 private:
  // The lock file's identity, once it exists.
  void LearnIdentity();
  void Refuse(const char* reason) const;

  std::string path_;
  unsigned number_;
  bool writesDvd_;
  std::filesystem::path lockFile_;
  std::function<ExposedRecorder()> recorder_;
  int attached_ = 0;
  std::atomic<std::uint64_t> lockDevice_{0};
  std::atomic<std::uint64_t> lockInode_{0};
  std::atomic<int> reservedSize_{32768};
  std::atomic<int> timeoutTicks_{6000};
  std::atomic<int> capabilities_{-1};
};

}  // namespace brenmark::expose
