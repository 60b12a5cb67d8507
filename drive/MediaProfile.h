#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brenmark {

// The profiles of GET CONFIGURATION: what the medium in the drive is (the
// current profile, 0 with none) and every kind the drive supports.
struct MediaProfiles {
  std::uint16_t current = 0;
  std::vector<std::uint16_t> supported;  // as the drive lists them
};

// Reads the header and the Profile List feature of a GET CONFIGURATION
// response of `length` bytes.
MediaProfiles ParseMediaProfiles(const std::uint8_t* response, std::size_t length);

// "CD-R", "DVD-RW", "DVD+R", ...; "profile 0041h" for one not named here.
std::string ProfileName(std::uint16_t profile);
// How a profile's medium is recorded: "sequential", "restricted overwrite",
// or empty where the name says it.
std::string ProfileRecording(std::uint16_t profile);
// DVD media: their addresses in disc information are block addresses.
bool IsDvdProfile(std::uint16_t profile);
// Media written anywhere once formatted: a complete disc is a formatted one.
bool IsOverwritableProfile(std::uint16_t profile);

}  // namespace brenmark
