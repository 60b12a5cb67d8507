#include "vcd/VcdTrackTable.h"

#include <limits>

namespace brenmark::vcd {

std::optional<VcdTrackTable> LayTracks(std::span<const std::uint64_t> fileSizes) {
  VcdTrackTable table;
  std::uint64_t end = kFirstDataStart;
  for (const std::uint64_t size : fileSizes) {
    const std::uint64_t sectors = MpegSectorsFor(size);
    const std::uint64_t next = end + sectors + kTrackSpacing;
    if (next > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    table.entries.push_back({static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(sectors)});
    end = next;
  }
  table.end = static_cast<std::uint32_t>(end);
  return table;
}

}  // namespace brenmark::vcd
