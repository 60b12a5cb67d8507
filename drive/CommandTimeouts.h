#pragma once

#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark {

// The time-out, in seconds, every transport gives a command. A real recorder
// may calibrate its laser or fill its buffer for many seconds before it
// answers a write, and a command that runs out of time is aborted (often with
// a reset of the drive), so no command gets less than 200 s. Formatting and
// blanking a whole disc get an hour. A command that already asks for more
// (cache synchronisation, closing a session) keeps its own time-out.
std::uint32_t CommandTimeoutSeconds(const ScsiRequest& request);

// How a transport picks a request's time-out; tests of requests that never
// complete pick a short one.
using CommandTimeoutPolicy = std::uint32_t (*)(const ScsiRequest& request);

}  // namespace brenmark
