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
  // Open asks for it exclusively (O_EXCL), so that another burner asking the
  // same cannot interleave its commands with ours and gets "busy" instead;
  // OpenShared does not.
  bool Open() override;
  bool OpenShared() override;
  CommandOutcome OpenFailure() const override;
  void Close() override;
  CommandOutcome Execute(const ScsiRequest& request) override;

 private:
  bool OpenWithFlags(int extraFlags);

  std::string devicePath_;
  int fd_ = -1;
  int openError_ = 0;
};

}  // namespace brenmark::sgio
