#include "drive/sgio/SgIoTransport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "drive/sgio/SgIoRequest.h"

namespace brenmark::sgio {

SgIoTransport::SgIoTransport(std::string devicePath) : devicePath_(std::move(devicePath)) {}

SgIoTransport::~SgIoTransport() { Close(); }

bool SgIoTransport::Open() { return OpenWithFlags(O_EXCL); }

bool SgIoTransport::OpenShared() { return OpenWithFlags(0); }

bool SgIoTransport::OpenWithFlags(int extraFlags) {
  if (fd_ >= 0) return true;
  fd_ = ::open(devicePath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | extraFlags);
  openError_ = fd_ >= 0 ? 0 : errno;
  return fd_ >= 0;
}

CommandOutcome SgIoTransport::OpenFailure() const { return CommandOutcome::NotDelivered(openError_); }

void SgIoTransport::Close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

CommandOutcome SgIoTransport::Execute(const ScsiRequest& request) {
  if (fd_ < 0) return CommandOutcome::NotDelivered(EBADF);
  if (request.cdb == nullptr) return CommandOutcome::NotDelivered(EINVAL);
  unsigned char sense[kSenseLength] = {};
  sg_io_hdr_t header = MakeRequestHeader(request, sense);
  const int result = ::ioctl(fd_, SG_IO, &header);
  return ClassifyResult(result, header, result < 0 ? errno : 0);
}

}  // namespace brenmark::sgio
