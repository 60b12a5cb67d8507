#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drive/DiscToc.h"

namespace brenmark {

// What the disc report reads from the drive.
struct DiscReportValues {
  std::int32_t sessionCount = 0;
  std::int32_t lastTrackNumber = 0;
  std::uint32_t statusMask = 0;  // as GetDiscInfo composes it
  std::int32_t lastBlockAddress = 0;        // ReadCapacity, 0 on failure
  std::int32_t lastLeadOutStartFrames = 0;  // the disc summary's capacity, 0 on failure
  // The sessions and tracks; absent when the table of contents could not be read.
  std::optional<DiscToc> toc;
};

// The disc report text: the disc's state and capacity lines, then one block per
// session with a line per track. Its length grows with the table of contents.
std::string BuildDiscReportText(const DiscReportValues& values);

}  // namespace brenmark
