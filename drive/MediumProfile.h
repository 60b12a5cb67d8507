#pragma once

#include <cstdint>

namespace brenmark {

// True for the profiles (GET CONFIGURATION's current profile) of media that
// take each block once: CD-R, DVD-R and DVD-R DL, DVD+R and DVD+R DL, BD-R.
// Rewritable media, read-only media and "no profile" (0) are not.
bool IsWriteOnceProfile(std::uint16_t profile);

}  // namespace brenmark
