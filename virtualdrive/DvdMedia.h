#pragma once

#include <cstdint>
#include <vector>

#include "virtualdrive/DiscResponses.h"
#include "virtualdrive/DiscState.h"

// What the DVD family answers about itself: profiles and the features each
// makes current, the structures READ DVD STRUCTURE reads and the capacities
// READ FORMAT CAPACITIES lists.
namespace brenmark::virtualdrive {

// The current profile of a medium: 0008h CD-ROM ... 0013h DVD-RW restricted
// overwrite (a formatted DVD-RW), 0014h DVD-RW sequential, 001Ah DVD+RW,
// 001Bh DVD+R.
std::uint16_t ProfileOfMedium(MediumKind kind, bool formatted);

// The DVD profiles a DVD recorder lists before its CD ones, highest first.
const std::vector<std::uint16_t>& DvdRecorderProfiles();

// One feature of a DVD recorder: current while the medium's profile is one
// of `currentIn`. Each row is one feature; a feature a profile requires is
// added here with that profile in its list.
struct ProfiledFeature {
  std::uint16_t code = 0;
  std::uint8_t version = 0;
  std::vector<std::uint16_t> currentIn;
  std::vector<std::uint8_t> data;  // the feature's bytes after its 4-byte header
};
const std::vector<ProfiledFeature>& DvdRecorderFeatures();

// READ DVD STRUCTURE of the layer-0 structures: 00h physical format, 01h
// copyright, 04h manufacturing information, FFh the list of those. A CD is
// refused as a medium of the wrong format.
Response DvdStructure(const DiscState& disc, std::uint8_t format);

// READ FORMAT CAPACITIES: the current capacity (unformatted, or formatted on a
// formatted disc), then the formats FORMAT UNIT takes on this medium.
Response FormatCapacities(const DiscState& disc);

}  // namespace brenmark::virtualdrive
