#include <array>

#include "drive/CapabilityPage.h"
#include "drive/DriveRegistry.h"

namespace brenmark {

bool DriveRegistry::GetCapabilities(int index, std::uint32_t* mask,
                                    std::uint8_t* loadingMechanism, std::uint32_t* bufferSize,
                                    std::span<std::uint32_t> speedList) {
  if (mask) *mask = 0;
  if (loadingMechanism) *loadingMechanism = 1;
  if (bufferSize) *bufferSize = 0;
  if (!HasDrive(index)) return false;

  constexpr int kCapabilitiesPage = 0x2A;
  std::array<std::uint8_t, capabilities::kResponseLength> response{};
  if (ModeSense(index, kCapabilitiesPage, static_cast<int>(response.size()), response.data()) !=
      0) {
    drive(index).lastError = 2;
    return false;
  }

  const std::uint8_t* page = response.data() + capabilities::kPageOffset;
  if (mask) *mask = capabilities::Mask(page);
  if (loadingMechanism) *loadingMechanism = capabilities::LoadingMechanism(page);
  if (bufferSize) *bufferSize = capabilities::BufferSizeKb(page);
  capabilities::WriteSpeeds(page, response.size() - capabilities::kPageOffset, speedList);
  return true;
}

}  // namespace brenmark
