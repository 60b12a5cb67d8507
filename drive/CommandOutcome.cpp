#include "drive/CommandOutcome.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace brenmark {
namespace {

std::string TransportFailureText(int systemError, std::uint16_t hostStatus, std::uint16_t driverStatus) {
  std::string text = "transport failure";
  const char* separator = ": ";
  if (systemError != 0) {
    text += separator + ("system error " + std::to_string(systemError)) + " (" +
            std::generic_category().message(systemError) + ")";
    separator = ", ";
  }
  if (hostStatus != 0 || driverStatus != 0) {
    char statuses[48];
    std::snprintf(statuses, sizeof statuses, "host status %02Xh, driver status %02Xh", unsigned{hostStatus},
                  unsigned{driverStatus});
    text += separator;
    text += statuses;
  }
  return text;
}

}  // namespace

CommandOutcome CommandOutcome::NotDelivered(int systemError, std::uint16_t hostStatus,
                                            std::uint16_t driverStatus) {
  CommandOutcome outcome(TransportResult::TransportFailure);
  outcome.systemError = systemError;
  outcome.hostStatus = hostStatus;
  outcome.driverStatus = driverStatus;
  return outcome;
}

bool CommandOutcome::DeviceInUse() const {
  return result == TransportResult::TransportFailure && systemError == EBUSY;
}

std::string CommandOutcome::Text() const {
  switch (result) {
    case TransportResult::Good: return "good";
    case TransportResult::TransportFailure: return TransportFailureText(systemError, hostStatus, driverStatus);
    case TransportResult::DeviceFailure: break;
  }
  return sense ? sense->Text() : "device failure";
}

}  // namespace brenmark
