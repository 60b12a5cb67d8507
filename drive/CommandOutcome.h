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
// requested transfer that were not moved. A transport with nothing more to
// say than the class may return the class alone.
struct CommandOutcome {
  TransportResult result = TransportResult::Good;
  std::optional<SenseCode> sense;
  std::uint32_t residual = 0;

  CommandOutcome() = default;
  CommandOutcome(TransportResult resultClass) : result(resultClass) {}  // NOLINT: implicit on purpose
  CommandOutcome(TransportResult resultClass, std::optional<SenseCode> senseCode, std::uint32_t residualBytes = 0)
      : result(resultClass), sense(senseCode), residual(residualBytes) {}

  bool good() const { return result == TransportResult::Good; }
  bool HasSense(const SenseCode& code) const { return sense && *sense == code; }
  // "good", "transport failure", the sense text, or "device failure" without sense.
  std::string Text() const;

  friend bool operator==(const CommandOutcome& outcome, TransportResult resultClass) {
    return outcome.result == resultClass;
  }
};

}  // namespace brenmark
