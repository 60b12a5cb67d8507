#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace brenmark::expose {

class ExposedDevice;

// Which descriptor numbers this process last knew as devices. Lock-free and
// free of system calls, so that a call on any other descriptor (from a signal
// handler too) only reads a counter, or at most a few dozen atomics. An entry
// says what a number stood for when it was entered; whether it still does is
// for the caller to check against the descriptor's identity.
class DescriptorTable {
 public:
  // How many device descriptors one process can hold at once.
  static constexpr std::size_t kCapacity = 64;

  ExposedDevice* Find(int descriptor) const;
  // False when the table is full.
  bool Add(int descriptor, ExposedDevice& device);
  // The device the entry named, now removed; null when there was none.
  ExposedDevice* Remove(int descriptor);
  // Calls `removed` with each entry of [first, last] after removing it.
  template <typename Removed>
  void RemoveRange(unsigned first, unsigned last, Removed removed) {
    if (used_.load(std::memory_order_acquire) == 0) return;
    for (Slot& slot : slots_) {
      const int descriptor = slot.descriptor.load(std::memory_order_acquire);
      if (descriptor < 0 || static_cast<unsigned>(descriptor) < first || static_cast<unsigned>(descriptor) > last)
        continue;
      if (ExposedDevice* device = Remove(descriptor)) removed(descriptor, *device);
    }
  }
  // Calls `visit` with each entry.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const Slot& slot : slots_) {
      const int descriptor = slot.descriptor.load(std::memory_order_acquire);
      if (descriptor >= 0) visit(descriptor, *slot.device.load(std::memory_order_acquire));
    }
  }

 private:
  // A slot being filled or emptied holds kBusy, so that no reader pairs a
  // number with another entry's device.
  static constexpr int kFree = -1;
  static constexpr int kBusy = -2;
  struct Slot {
    std::atomic<int> descriptor{kFree};
    std::atomic<ExposedDevice*> device{nullptr};
  };
  // Whether a number below kMarked may be in the table, one bit each: most
  // calls are answered by one load; higher numbers are looked for in the slots.
  static constexpr int kMarked = 1024;
  static bool Marked(const std::atomic<std::uint64_t>* marks, int descriptor) {
    return descriptor >= kMarked || (marks[descriptor / 64].load(std::memory_order_acquire) >> (descriptor % 64) & 1) != 0;
  }
  void Mark(int descriptor, bool present);

  std::array<Slot, kCapacity> slots_;
  std::atomic<std::size_t> used_{0};
  std::array<std::atomic<std::uint64_t>, kMarked / 64> marks_{};
};

}  // namespace brenmark::expose
