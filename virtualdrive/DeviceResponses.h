#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "virtualdrive/DiscResponses.h"
#include "virtualdrive/DiscState.h"
#include "virtualdrive/RecorderModel.h"
#include "virtualdrive/WriteParameters.h"

namespace brenmark::virtualdrive {

// Standard INQUIRY data (36 bytes): a removable CD/DVD device with the
// model's vendor, product and revision, padded with spaces.
std::vector<std::uint8_t> InquiryData(const RecorderModel& model);

// GET CONFIGURATION: the profile list and the features of the model, those of
// `medium` current (nothing current with an empty tray). A CD recorder lists
// CD profiles and features only. Request types: 0 all, 1 current, 2 one.
Response Configuration(const RecorderModel& model, std::optional<MediumKind> medium, std::uint8_t requestType,
                       std::uint16_t startingFeature);

// Mode page 2Ah with the model's write speed descriptors.
std::vector<std::uint8_t> CapabilitiesPage(const RecorderModel& model, std::uint16_t currentWriteSpeed);

// MODE SENSE(10): the mode parameter header and page 05h, 2Ah or both (3Fh)
// in the page control's form (0 current, 1 changeable, 2 default).
Response ModePages(const RecorderModel& model, const WriteParameters& writeParameters, std::uint16_t writeSpeed,
                   std::uint8_t pageControl, std::uint8_t pageCode);

}  // namespace brenmark::virtualdrive
