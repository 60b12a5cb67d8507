#pragma once

#include <cstdint>
#include <optional>
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
  // A DVD recorder's write speeds with a CD in it; empty: writeSpeeds hold
  // for every medium.
  std::vector<std::uint16_t> cdWriteSpeeds;
  std::uint32_t interfaceStandard = 2;     // ATAPI
};

// The model as it answers with a disc of `loaded` in the tray: the write
// speeds are the ones for that medium.
RecorderModel WithMedium(const RecorderModel& model, std::optional<MediumKind> loaded);

// A CD recorder: CD speeds 4x to 48x, CD-R blanks.
RecorderModel CdRecorderModel();
// A DVD recorder: DVD speeds 1x to 16x (with a CD, CD speeds 4x to 48x),
// DVD-R blanks.
RecorderModel DvdRecorderModel();

}  // namespace brenmark::virtualdrive
