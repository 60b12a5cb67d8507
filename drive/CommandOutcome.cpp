#include "drive/CommandOutcome.h"

namespace brenmark {

std::string CommandOutcome::Text() const {
  switch (result) {
    case TransportResult::Good: return "good";
    case TransportResult::TransportFailure: return "transport failure";
    case TransportResult::DeviceFailure: break;
  }
  return sense ? sense->Text() : "device failure";
}

}  // namespace brenmark
