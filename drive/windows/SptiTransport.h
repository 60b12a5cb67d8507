#pragma once

#include <cstdint>
#include <string>

#include "drive/ScsiTransport.h"

namespace brenmark::windows {

// Sends commands through the system's SCSI pass-through on a drive letter's
// device ("\\.\E:").
class SptiTransport final : public ScsiTransport {
 public:
  explicit SptiTransport(std::string devicePath);
  ~SptiTransport() override;
  SptiTransport(const SptiTransport&) = delete;
  SptiTransport& operator=(const SptiTransport&) = delete;

  // Opens the device for reading and writing, shared with other readers and writers.
  bool Open() override;
  void Close() override;
  CommandOutcome Execute(const ScsiRequest& request) override;

 private:
  std::string devicePath_;
  std::intptr_t handle_ = -1;
};

}  // namespace brenmark::windows
