#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "virtualdrive/DiscState.h"

namespace brenmark::virtualdrive {

// What tells one virtual recorder from the other: its names, the blank it
// loads and the write speeds it offers.
struct RecorderModel {
  std::string shortName;  // "virtual-cd"
  std::string vendor;     // INQUIRY vendor, 8 characters
  std::string product;    // INQUIRY product, 16 characters
  std::string revision;   // INQUIRY revision, 4 characters
  MediumKind blankKind = MediumKind::CdR;
  std::vector<std::uint16_t> writeSpeeds;  // KB/s, fastest first
  std::uint32_t interfaceStandard = 2;     // ATAPI
};

// A CD recorder: CD speeds 4x to 48x, CD-R blanks.
RecorderModel CdRecorderModel();
// A DVD recorder: DVD speeds 1x to 16x, DVD-R blanks.
RecorderModel DvdRecorderModel();

}  // namespace brenmark::virtualdrive
