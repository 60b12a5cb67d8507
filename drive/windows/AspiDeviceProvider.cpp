#include "drive/windows/AspiDeviceProvider.h"

#include "drive/windows/AspiRequestBlocks.h"
#include "drive/windows/AspiTransport.h"

namespace brenmark::windows {
namespace {

constexpr int kTargetsPerAdapter = 255;

}  // namespace

AspiDeviceProvider::AspiDeviceProvider(UserPrompt& prompt) : prompt_(prompt) {}

std::vector<DeviceCandidate> AspiDeviceProvider::FindDevices() {
  std::vector<DeviceCandidate> candidates;
  library_ = AspiLibrary::Load(prompt_, functionMask_);
  const int adapters = library_ ? static_cast<int>(library_->SupportInfo() & 0xFF) : 0;
  if (adapters == 0) {
    library_.reset();
    prompt_.ShowMessage(
        "No CD/DVD libraries found on you computer. The using of the program is impossible.",
        MessageIcon::Plain);
    return candidates;
  }
  for (int adapter = 0; adapter < adapters; ++adapter) {
    for (int target = 0; target < kTargetsPerAdapter; ++target) {
      const auto haId = static_cast<std::uint8_t>(adapter);
      const auto targetId = static_cast<std::uint8_t>(target);
      GetDeviceTypeBlock query = BuildGetDeviceType(haId, targetId);
      library_->Send(query.data());
      if (!IsCdRomDevice(query)) continue;
      DeviceCandidate candidate;
      candidate.shortName = std::to_string(adapter) + ":" + std::to_string(target);
      candidate.transport = std::make_unique<AspiTransport>(library_, haId, targetId, 0);
      candidate.haId = haId;
      candidate.targetId = targetId;
      candidates.push_back(std::move(candidate));
    }
  }
  return candidates;
}

ProviderTransport AspiDeviceProvider::Transport() const {
  if (!library_) return {AccessMode::None, false, functionMask_};
  return {AccessMode::Aspi, true, functionMask_};
}

}  // namespace brenmark::windows
