#pragma once

#include <cstdint>
#include <vector>

namespace brenmark::testing {

// A MODE SENSE response for page 2Ah; page bytes are counted from the page code.
struct CapabilityPage {
  std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(255, 0);
  CapabilityPage() { bytes[8] = 0x2A; }
  CapabilityPage& Set(std::size_t pageByte, std::uint32_t value, int width = 1) {
    for (int i = 0; i < width; ++i)
      bytes[8 + pageByte + i] = static_cast<std::uint8_t>(value >> 8 * (width - 1 - i));
    return *this;
  }
  // The write speed descriptors, in the drive's order.
  CapabilityPage& Descriptors(const std::vector<std::uint32_t>& speeds) {
    Set(30, static_cast<std::uint32_t>(speeds.size()), 2);
    for (std::size_t i = 0; i < speeds.size() && 8 + 35 + 4 * i < bytes.size(); ++i)
      Set(34 + 4 * i, speeds[i], 2);
    return *this;
  }
};

}  // namespace brenmark::testing
