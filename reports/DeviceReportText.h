#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brenmark {

// What the device report reads from the drive record and the capability page.
struct DeviceReportValues {
  std::string displayName;
  std::uint32_t interfaceStandard = 0;
  std::uint32_t capabilityMask = 0;
  std::uint8_t loadingMechanism = 0;
  std::uint32_t bufferSizeKb = 0;
  // Write speeds in KB/s as the drive listed them; a 0 entry ends the list.
  std::vector<std::uint32_t> speedList;
  // The media the drive supports, as its profiles list them; no line when empty.
  std::vector<std::uint16_t> profiles;
};

// At most this many write speeds are counted, sorted and shown.
inline constexpr std::size_t kMaxReportedSpeeds = 50;

// The device report text: one line per property, then the write speeds from
// the fastest down, each line ended by a line feed.
std::string BuildDeviceReportText(const DeviceReportValues& values);

}  // namespace brenmark
