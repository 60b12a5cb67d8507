#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drive/SenseCode.h"

namespace brenmark {

// The three outcomes every command maps to its own return value.
enum class TransportResult {
  Good,              // delivered and completed with good status
  TransportFailure,  // the request could not be created or delivered
  DeviceFailure,     // delivered, but the device did not end with good status
};

// What one command ended with: its result class, the sense the device gave
// with a CHECK CONDITION (decoded), and the residual: the bytes of the
// requested transfer that were not moved. A transport failure also keeps what
// the system said of it: the error number of the call that failed (errno),
// and the host adapter's and the driver's status. A transport with nothing
// more to say than the class may return the class alone.
struct CommandOutcome {
  TransportResult result = TransportResult::Good;
  std::optional<SenseCode> sense;
  std::uint32_t residual = 0;
  int systemError = 0;
  std::uint16_t hostStatus = 0;
  std::uint16_t driverStatus = 0;
  // The host adapter library's completion event for the command could not
  // be made (a transport failure of that path alone).
  bool noCompletionEvent = false;

  CommandOutcome() = default;
  CommandOutcome(TransportResult resultClass) : result(resultClass) {}  // NOLINT: implicit on purpose
  CommandOutcome(TransportResult resultClass, std::optional<SenseCode> senseCode, std::uint32_t residualBytes = 0)
      : result(resultClass), sense(senseCode), residual(residualBytes) {}

  // A transport failure with what the system said of it.
  static CommandOutcome NotDelivered(int systemError, std::uint16_t hostStatus = 0,
                                     std::uint16_t driverStatus = 0);

  bool good() const { return result == TransportResult::Good; }
  bool HasSense(const SenseCode& code) const { return sense && *sense == code; }
  // True when the device could not be had because someone else holds it
  // (the system's "device or resource busy").
  bool DeviceInUse() const;
  // "good", the sense text, or "device failure" without sense; "transport
  // failure", followed by the system's error number and words and the host
  // and driver status when there are any, e.g.
  // "transport failure: system error 5 (Input/output error)" or
  // "transport failure: host status 03h, driver status 00h".
  std::string Text() const;

  friend bool operator==(const CommandOutcome& outcome, TransportResult resultClass) {
    return outcome.result == resultClass;
  }
};

}  // namespace brenmark
