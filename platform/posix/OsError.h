#pragma once

#include <cerrno>
#include <string>
#include <system_error>

namespace brenmark::platform {

// The system's text for the calling thread's last error.
inline std::string LastOsErrorText() { return std::generic_category().message(errno); }

}  // namespace brenmark::platform
