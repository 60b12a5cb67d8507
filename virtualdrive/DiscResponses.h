#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "virtualdrive/DiscState.h"
#include "virtualdrive/Sense.h"

namespace brenmark::virtualdrive {

// Response data of a command, or the sense it ends with.
struct Response {
  std::vector<std::uint8_t> data;
  std::optional<Sense> error;
};

// READ DISC INFORMATION, standard disc information (34 bytes).
std::vector<std::uint8_t> DiscInformation(const DiscState& disc);

// READ TRACK INFORMATION (48 bytes). Address types: 0 block address, 1 track
// number (FFh: the invisible track), 2 session number.
Response TrackInformation(const DiscState& disc, std::uint8_t addressType, std::uint32_t value);

// READ TOC/PMA/ATIP formats 0 (TOC), 1 (session information), 2 (full TOC),
// 4 (ATIP, recordable CDs only) and 5 (CD-TEXT, when the disc has it).
Response TableOfContents(const DiscState& disc, std::uint8_t format, bool msf, std::uint8_t trackOrSession);

// READ CAPACITY (8 bytes): last recorded block and block size 2048.
std::vector<std::uint8_t> Capacity(const DiscState& disc);

}  // namespace brenmark::virtualdrive
