#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drive/DiscToc.h"

namespace brenmark {

// What the disc report reads from the drive.
struct DiscReportValues {
  std::int32_t sessionCount = 0;
  std::int32_t lastTrackNumber = 0;
  std::uint32_t statusMask = 0;  // as GetDiscInfo composes it
  std::int32_t lastBlockAddress = 0;  // ReadCapacity, 0 on failure
  std::int32_t mediaSizeSectors = 0;  // MediaSizeSectors, 0 on failure
  // The sessions and tracks; absent when the table of contents could not be read.
  std::optional<DiscToc> toc;
  // What the medium is (MediumDescription); no line when empty.
  std::string medium;
  // A DVD's tracks by block address, listed when it has no table of contents
  // in times.
  struct BlockTrack {
    std::int32_t number = 0;
    std::int32_t session = 0;
    std::int32_t start = 0;
    std::int32_t size = 0;
  };
  std::vector<BlockTrack> blockTracks;
};

// The "Media Size" figure: the last possible lead-out start of a disc that
// takes more data (`leadOutField`, bytes 20-23 of the disc information: MSF
// frames on CD, a block address on DVD) and, for a disc that takes no more
// (the field is FFFFFFFFh), its recorded size, the block after its last.
std::int32_t MediaSizeSectors(std::uint32_t leadOutField, bool dvd, std::int32_t lastBlockAddress);

// "DVD-R (sequential, open)", "DVD+RW (formatted)", "CD-R (blank)": the
// profile's medium, how it is recorded and its state from the status mask.
std::string MediumDescription(std::uint16_t profile, std::uint32_t statusMask);

// The disc report text: the disc's state and capacity lines, then one block per
// session with a line per track. Its length grows with the table of contents.
std::string BuildDiscReportText(const DiscReportValues& values);

}  // namespace brenmark
