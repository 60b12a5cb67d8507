#include "drive/sgio/SgIoTransport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <utility>

#include "drive/sgio/SgIoRequest.h"

namespace brenmark::sgio {

SgIoTransport::SgIoTransport(std::string devicePath) : devicePath_(std::move(devicePath)) {}

SgIoTransport::~SgIoTransport() { Close(); }

bool SgIoTransport::Open() {
  if (fd_ >= 0) return true;
  fd_ = ::open(devicePath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  return fd_ >= 0;
}

void SgIoTransport::Close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

CommandOutcome SgIoTransport::Execute(const ScsiRequest& request) {
  if (fd_ < 0 || request.cdb == nullptr) return TransportResult::TransportFailure;
  unsigned char sense[kSenseLength] = {};
  sg_io_hdr_t header = MakeRequestHeader(request, sense);
  return ClassifyResult(::ioctl(fd_, SG_IO, &header), header);
}

}  // namespace brenmark::sgio
