#include "drive/MediumProfile.h"

#include <algorithm>
#include <array>

namespace brenmark {
namespace {

constexpr std::array<std::uint16_t, 8> kWriteOnceProfiles = {
    0x0009,  // CD-R
    0x0011,  // DVD-R, sequential recording
    0x0015,  // DVD-R dual layer, sequential recording
    0x0016,  // DVD-R dual layer, jump recording
    0x001B,  // DVD+R
    0x002B,  // DVD+R dual layer
    0x0041,  // BD-R, sequential recording
    0x0042,  // BD-R, random recording
};

}  // namespace

bool IsWriteOnceProfile(std::uint16_t profile) {
  return std::find(kWriteOnceProfiles.begin(), kWriteOnceProfiles.end(), profile) != kWriteOnceProfiles.end();
}

}  // namespace brenmark
