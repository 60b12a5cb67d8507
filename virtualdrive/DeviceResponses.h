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
// `medium` current (nothing current with an empty tray; a `formatted` DVD-RW
// is in restricted overwrite). A CD recorder lists CD profiles and features
// only. Request types: 0 all, 1 current, 2 one.
Response Configuration(const RecorderModel& model, std::optional<MediumKind> medium, std::uint8_t requestType,
                       std::uint16_t startingFeature, bool formatted = false);

// Mode page 2Ah with the model's write speed descriptors.
std::vector<std::uint8_t> CapabilitiesPage(const RecorderModel& model, std::uint16_t currentWriteSpeed);

// GET PERFORMANCE over a disc whose last block is `lastBlock`: type 00h, the
// nominal read or write performance (`write`) from block 0 to the last, at
// the fastest read or the current write speed (`except` other than 0 asks for
// exceptions, of which there are none); type 03h, the write speed
// descriptors of the model. The data length counts every descriptor, at most
// `maxDescriptors` of them follow. Other types are refused.
Response Performance(const RecorderModel& model, std::int32_t lastBlock, std::uint16_t currentWriteSpeed,
                     std::uint8_t type, bool write, std::uint8_t except, std::uint16_t maxDescriptors);

// GET EVENT STATUS NOTIFICATION, polled: the media class only, reporting
// `event` (a MediaChanges code) and whether a disc is in; a request without
// it gets the header alone.
std::vector<std::uint8_t> MediaEventStatus(bool discPresent, std::uint8_t event, std::uint8_t requestedClasses);

// MODE SENSE(10): the mode parameter header and page 01h, 05h, 2Ah or all (3Fh)
// in the page control's form (0 current, 1 changeable, 2 default).
Response ModePages(const RecorderModel& model, const WriteParameters& writeParameters, std::uint16_t writeSpeed,
                   std::uint8_t pageControl, std::uint8_t pageCode);

}  // namespace brenmark::virtualdrive
