#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <string>

#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::expose {

// The recorder behind a device, and the transport its commands go through.
struct ExposedRecorder {
  virtualdrive::VirtualRecorder& recorder;
  ScsiTransport& commands;
};

// One virtual recorder shown as a SCSI CD-ROM device node (/dev/srN): what
// the stat calls give for it, what its open and close do to the recorder's
// claim, and its answers to ioctl.
class ExposedDevice {
 public:
  // The recorder is made when the device is first opened; `number` is the
  // node's minor number and the SCSI host number programs see.
  ExposedDevice(std::string path, unsigned number, bool writesDvd, std::function<ExposedRecorder()> recorder);

  const std::string& path() const { return path_; }
  bool writesDvd() const { return writesDvd_; }

  // A block device, major 11 (SCSI CD-ROM), minor `number`, readable and
  // writable by all.
  void Describe(struct stat& status) const;
  void Describe(struct statx& status) const;

  // One more open descriptor: claims the recorder for this process. Refused
  // with EBUSY while another process holds it, as a drive opened exclusively.
  bool Open(int& error);
  // One descriptor fewer: gives back its claim.
  void Close();

  // The ioctl requests a program makes on a CD/DVD device: SG_IO through the
  // recorder, the SCSI generic and CD-ROM queries; anything else is ENOTTY.
  // Returns the ioctl result; -1 with `error` set.
  int Control(unsigned long request, void* argument, int& error);

  // read() of the node: the data blocks' bytes from `offset` (see CdromRequests::Read).
  ssize_t Read(void* buffer, std::size_t count, off_t offset, int& error);
  // The node's size in bytes, which lseek from the end counts from.
  off_t Size();

 private:
  std::string path_;
  unsigned number_;
  bool writesDvd_;
  std::function<ExposedRecorder()> recorder_;
  std::atomic<int> reservedSize_{32768};
  std::atomic<int> timeoutTicks_{6000};
  std::atomic<int> capabilities_{-1};
};

}  // namespace brenmark::expose
