#pragma once

#include <cstdint>
#include <vector>

namespace brenmark::virtualdrive {

// A feature descriptor's parts, for GET CONFIGURATION to assemble.
struct ProfileFeature {
  std::uint16_t code = 0;
  std::uint8_t version = 0;
  bool current = false;
  std::vector<std::uint8_t> data;  // the bytes after the 4-byte header
};

// The features the profiles require that the rest of the configuration does
// not list by itself, each once: those of any of `profiles` (the drive's),
// current when `currentProfile` requires them, with the current profile's
// data (else the first requiring profile's).
std::vector<ProfileFeature> RequiredFeatures(const std::vector<std::uint16_t>& profiles,
                                             std::uint16_t currentProfile);

}  // namespace brenmark::virtualdrive
