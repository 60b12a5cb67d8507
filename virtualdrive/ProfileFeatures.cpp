#include "virtualdrive/ProfileFeatures.h"

#include <algorithm>
#include <initializer_list>

namespace brenmark::virtualdrive {

namespace {

struct Requirement {
  std::uint16_t profile;
  std::uint16_t feature;
  std::uint8_t version;
  std::initializer_list<std::uint8_t> data;
};

// Random Readable: 2048-byte blocks, read in blocking units of 1 block on CD
// and 16 on DVD; the read/write error recovery page is present.
constexpr std::initializer_list<std::uint8_t> kRandomReadableCd = {0, 0, 0x08, 0, 0, 1, 0x01, 0};
constexpr std::initializer_list<std::uint8_t> kRandomReadableDvd = {0, 0, 0x08, 0, 0, 16, 0x01, 0};

// One row per profile and feature it requires; a profile added to the
// recorders adds its rows here.
const Requirement kRequirements[] = {
    {0x0008, 0x0010, 0, kRandomReadableCd},   // CD-ROM
    {0x0009, 0x0010, 0, kRandomReadableCd},   // CD-R
    {0x000A, 0x0010, 0, kRandomReadableCd},   // CD-RW
    {0x0010, 0x0010, 0, kRandomReadableDvd},  // DVD-ROM
    {0x0011, 0x0010, 0, kRandomReadableDvd},  // DVD-R sequential
    {0x0013, 0x0010, 0, kRandomReadableDvd},  // DVD-RW restricted overwrite
    {0x0014, 0x0010, 0, kRandomReadableDvd},  // DVD-RW sequential
    {0x001A, 0x0010, 0, kRandomReadableDvd},  // DVD+RW
    {0x001B, 0x0010, 0, kRandomReadableDvd},  // DVD+R
};

}  // namespace

std::vector<ProfileFeature> RequiredFeatures(const std::vector<std::uint16_t>& profiles,
                                             std::uint16_t currentProfile) {
  std::vector<ProfileFeature> features;
  for (const Requirement& row : kRequirements) {
    if (std::find(profiles.begin(), profiles.end(), row.profile) == profiles.end()) continue;
    const bool current = row.profile == currentProfile;
    auto listed = std::find_if(features.begin(), features.end(),
                               [&row](const ProfileFeature& feature) { return feature.code == row.feature; });
    if (listed == features.end()) {
      features.push_back({row.feature, row.version, current, row.data});
    } else if (current) {
      *listed = {row.feature, row.version, true, row.data};
    }
  }
  return features;
}

}  // namespace brenmark::virtualdrive
