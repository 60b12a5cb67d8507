#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "drive/DriveRegistry.h"
#include "jobs/DriveLeases.h"
#include "jobs/JobState.h"

namespace brenmark {

// The speed dialog without its window: the list of write speeds of the current
// drive, fastest first, with the texts the list shows, and what "Burn" stores.
class SpeedSelection {
 public:
  static constexpr std::size_t kListSize = 100;
  static constexpr std::size_t kSortedLimit = 50;
  static constexpr std::uint32_t kDefaultSpeed = 705;  // 4x CD, used when nothing is selected

  enum class LoadResult { Loaded, DriveBusy };

  // Reads the speed list of `drive` (opened and closed around the query).
  // With drive -1 the list stays empty and the registry is not called; when a
  // job holds the drive the list stays empty and DriveBusy comes back.
  LoadResult Load(DriveRegistry& registry, int drive, DriveLeases& leases);

  bool dvdUnits() const { return dvdUnits_; }
  // One text per listed speed; entry i stands for speeds()[i].
  const std::vector<std::string>& entries() const { return entries_; }
  const std::vector<std::uint32_t>& speeds() const { return speeds_; }
  // The entry selected after loading: 0, the fastest, or -1 for an empty list.
  int initialSelection() const { return entries_.empty() ? -1 : 0; }

  // The speed "Burn" stores for the selected entry (-1: none).
  std::uint32_t SpeedFor(int selectedIndex) const;
  // "Burn": the next job's writeSpeed := the selected speed or the default;
  // multiSession := 1 when the user chose to leave the disc open for more
  // sessions, else 0.
  void Burn(JobState& state, int selectedIndex, bool leaveDiscOpen = false) const;

 private:
  void Arrange(std::array<std::uint32_t, kListSize>& list);

  bool dvdUnits_ = false;
  std::vector<std::string> entries_;
  std::vector<std::uint32_t> speeds_;
};

}  // namespace brenmark
