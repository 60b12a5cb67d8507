#include "virtualdrive/expose/DescriptorTable.h"

namespace brenmark::expose {

void DescriptorTable::Mark(int descriptor, bool present) {
  if (descriptor >= kMarked) return;
  const std::uint64_t bit = std::uint64_t{1} << (descriptor % 64);
  if (present) {
    marks_[descriptor / 64].fetch_or(bit, std::memory_order_acq_rel);
  } else {
    marks_[descriptor / 64].fetch_and(~bit, std::memory_order_acq_rel);
  }
}

ExposedDevice* DescriptorTable::Find(int descriptor) const {
  if (descriptor < 0 || used_.load(std::memory_order_acquire) == 0 || !Marked(marks_.data(), descriptor)) return nullptr;
  for (const Slot& slot : slots_) {
    if (slot.descriptor.load(std::memory_order_acquire) == descriptor) return slot.device.load(std::memory_order_acquire);
  }
  return nullptr;
}

bool DescriptorTable::Add(int descriptor, ExposedDevice& device) {
  for (Slot& slot : slots_) {
    int expected = kFree;
    if (!slot.descriptor.compare_exchange_strong(expected, kBusy, std::memory_order_acq_rel)) continue;
    slot.device.store(&device, std::memory_order_release);
    used_.fetch_add(1, std::memory_order_acq_rel);
    slot.descriptor.store(descriptor, std::memory_order_release);
    Mark(descriptor, true);
    return true;
  }
  return false;
}

ExposedDevice* DescriptorTable::Remove(int descriptor) {
  if (descriptor < 0 || used_.load(std::memory_order_acquire) == 0 || !Marked(marks_.data(), descriptor)) return nullptr;
  for (Slot& slot : slots_) {
    int expected = descriptor;
    if (!slot.descriptor.compare_exchange_strong(expected, kBusy, std::memory_order_acq_rel)) continue;
    Mark(descriptor, false);
    ExposedDevice* device = slot.device.exchange(nullptr, std::memory_order_acq_rel);
    slot.descriptor.store(kFree, std::memory_order_release);
    used_.fetch_sub(1, std::memory_order_acq_rel);
    return device;
  }
  return nullptr;
}

}  // namespace brenmark::expose
