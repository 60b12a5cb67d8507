#pragma once

#include <string>

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

// Sends commands to a Linux SCSI device node (/dev/srN) through SG_IO.
class SgIoTransport final : public ScsiTransport {
 public:
  explicit SgIoTransport(std::string devicePath);
  ~SgIoTransport() override;
  SgIoTransport(const SgIoTransport&) = delete;
  SgIoTransport& operator=(const SgIoTransport&) = delete;

  // Opens the node for reading and writing without blocking on an empty tray.
  bool Open() override;
  void Close() override;
  CommandOutcome Execute(const ScsiRequest& request) override;

 private:
  std::string devicePath_;
  int fd_ = -1;
};

}  // namespace brenmark::sgio
