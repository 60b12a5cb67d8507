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

}  // namespace brenmark::virtualdrive
