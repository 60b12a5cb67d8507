#pragma once

#include <cstdint>
#include <memory>

#include "drive/CommandTimeouts.h"
#include "drive/ScsiTransport.h"
#include "drive/windows/AspiLibrary.h"

namespace brenmark::windows {

// Sends commands through the host-adapter library to one adapter, target and
// LUN. There is nothing to open; a command waits for the library's
// completion event at most for its time-out (CommandTimeouts.h, unless the
// maker chooses another policy).
class AspiTransport final : public ScsiTransport {
 public:
  AspiTransport(std::shared_ptr<AspiLibrary> library, std::uint8_t haId, std::uint8_t targetId,
                std::uint8_t lun, CommandTimeoutPolicy timeout = &CommandTimeoutSeconds);
  ~AspiTransport() override;
  AspiTransport(const AspiTransport&) = delete;
  AspiTransport& operator=(const AspiTransport&) = delete;

  bool Open() override;
  void Close() override;
  // A command the library does not complete within its time-out is asked to
  // abort and reported as a transport failure.
  CommandOutcome Execute(const ScsiRequest& request) override;

 private:
  // Waits for the request after it was handed over; false when it did not
  // complete in time (the request is then given up).
  bool AwaitCompletion(std::uint32_t timeoutSeconds);

  std::shared_ptr<AspiLibrary> library_;
  std::uint8_t haId_;
  std::uint8_t targetId_;
  std::uint8_t lun_;
  CommandTimeoutPolicy timeout_;
  bool open_ = false;
  // Reused from command to command; replaced when one is given up.
  std::unique_ptr<AspiLibrary::Request> request_;
};

}  // namespace brenmark::windows
