#pragma once

#include <cstddef>
#include <cstdint>

#include "drive/DiscToc.h"

namespace brenmark {

// Builds the sessions and tracks from a full TOC response (format 0010b, MSF).
// Descriptors are walked up to the data length the header gives, and only
// those that lie wholly inside the response buffer are read. Sessions are
// counted by their A0h descriptors; descriptors before the first A0h, and
// sessions or tracks past 99, are skipped.
DiscToc ParseFullToc(const std::uint8_t* response, std::size_t responseSize);

}  // namespace brenmark
