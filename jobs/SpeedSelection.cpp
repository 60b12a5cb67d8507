#include "jobs/SpeedSelection.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace brenmark {
namespace {

constexpr std::uint32_t kDvdUnitTestDivisor = 1385;
constexpr std::uint32_t kDvdUnitTestRemainder = 20;
constexpr std::uint32_t kDvdSpeedDivisor = 1384;
constexpr std::uint32_t kCdSpeedDivisor = 176;

std::string FormatEntry(bool dvd, std::uint32_t speed) {
  char text[64];
  if (dvd) {
    std::snprintf(text, sizeof text, "%dx DVD (%d KB/Sec)", static_cast<int>(speed / kDvdSpeedDivisor),
                  static_cast<int>(speed));
  } else {
    std::snprintf(text, sizeof text, "%dx CD (%d KB/Sec)", static_cast<int>(speed / kCdSpeedDivisor),
                  static_cast<int>(speed));
  }
  return text;
}

}  // namespace

SpeedSelection::LoadResult SpeedSelection::Load(DriveRegistry& registry, int drive,
                                                DriveLeases& leases) {
  dvdUnits_ = false;
  entries_.clear();
  speeds_.clear();
  if (drive < 0) return LoadResult::Loaded;
  auto lease = leases.TryAcquire(drive);
  if (!lease) return LoadResult::DriveBusy;

  std::array<std::uint32_t, kListSize> list{};
  if (DriveResult<DriveHandle> handle = registry.Open(drive)) {
    if (handle->GetCapabilities(list)) Arrange(list);
  }
  return LoadResult::Loaded;
}

void SpeedSelection::Arrange(std::array<std::uint32_t, kListSize>& list) {
  dvdUnits_ = list[0] % kDvdUnitTestDivisor < kDvdUnitTestRemainder;
  // Only the first entries are sorted; any beyond them are listed as delivered.
  const auto firstZero = std::find(list.begin(), list.end(), 0u);
  const auto sortedEnd =
      list.begin() + std::min<std::ptrdiff_t>(firstZero - list.begin(), kSortedLimit);
  std::sort(list.begin(), sortedEnd, std::greater<>());
  for (auto it = list.begin(); it != firstZero; ++it) {
    speeds_.push_back(*it);
    entries_.push_back(FormatEntry(dvdUnits_, *it));
  }
}

std::uint32_t SpeedSelection::SpeedFor(int selectedIndex) const {
  if (selectedIndex < 0 || static_cast<std::size_t>(selectedIndex) >= speeds_.size()) {
    return kDefaultSpeed;
  }
  return speeds_[static_cast<std::size_t>(selectedIndex)];
}

void SpeedSelection::Burn(JobState& state, int selectedIndex, bool leaveDiscOpen) const {
  state.writeSpeed = SpeedFor(selectedIndex);
  state.multiSession = leaveDiscOpen ? 1 : 0;
}

}  // namespace brenmark
