#include "virtualdrive/MediaChanges.h"

namespace brenmark::virtualdrive {

namespace {

// A host that never polls is told of the last swap only.
constexpr std::size_t kMostEvents = 2;

}  // namespace

void MediaChanges::TrayChanged(bool discBefore, bool discAfter, bool byHost) {
  if (!byHost) unitAttention_ = true;
  if (discBefore) events_.push_back(kMediaRemoval);
  if (discAfter) events_.push_back(kNewMedia);
  while (events_.size() > kMostEvents) events_.pop_front();
}

bool MediaChanges::TakeUnitAttention(std::uint8_t opcode) {
  constexpr std::uint8_t kExempt[] = {0x12, 0x03, 0x46, 0x4A};
  if (!unitAttention_) return false;
  for (const std::uint8_t exempt : kExempt) {
    if (opcode == exempt) return false;
  }
  unitAttention_ = false;
  return true;
}

std::uint8_t MediaChanges::TakeEvent() {
  if (events_.empty()) return kNoChange;
  const std::uint8_t event = events_.front();
  events_.pop_front();
  return event;
}

std::uint32_t MediaChanges::Packed() const {
  std::uint32_t packed = unitAttention_ ? 1 : 0;
  for (std::size_t at = 0; at < events_.size(); ++at) packed |= std::uint32_t{events_[at]} << (8 * (at + 1));
  return packed;
}

MediaChanges MediaChanges::FromPacked(std::uint32_t packed) {
  MediaChanges changes;
  changes.unitAttention_ = (packed & 1) != 0;
  for (std::size_t at = 1; at <= kMostEvents; ++at) {
    const auto event = static_cast<std::uint8_t>(packed >> (8 * at));
    if (event == kNewMedia || event == kMediaRemoval) changes.events_.push_back(event);
  }
  return changes;
}

}  // namespace brenmark::virtualdrive
