#pragma once

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

// The time-out, in seconds, a command is given on SG_IO. A real recorder may
// calibrate its laser or fill its buffer for many seconds before it answers a
// write, and the kernel aborts (and often resets the drive for) a command that
// runs out of time, so no command gets less than 200 s. Formatting and
// blanking a whole disc get an hour. A command that already asks for more
// (cache synchronisation, closing a session) keeps its own time-out.
std::uint32_t SgIoTimeoutSeconds(const ScsiRequest& request);

}  // namespace brenmark::sgio
