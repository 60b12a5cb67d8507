#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jobs/DiscAtOnce.h"
#include "jobs/grab/GrabSettings.h"

namespace brenmark {

class DriveRegistry;
namespace datadisc {
class SourceTree;
}

// What a burn does with a rewritable disc that is written: asks, or blanks it
// minimally (fast) or whole (full).
enum class BlankRewritable : std::uint8_t { Ask, Fast, Full };

// The inputs the front end collects for the next job, on its own thread.
// A job never reads this object: it starts with a JobInputs copy of it.
struct JobState {
  static constexpr std::size_t kMaxSourceFiles = 100;
  static constexpr std::size_t kTrackSlots = 99;
  static constexpr std::size_t kOutputFolderLimit = 1023;

  JobState();
  ~JobState();
  JobState(const JobState&) = delete;
  JobState& operator=(const JobState&) = delete;

  std::vector<std::string> sourceFiles;  // at most kMaxSourceFiles, in list order
  std::array<std::uint8_t, kTrackSlots> trackSelected{};  // slot k is track k + 1
  std::string outputFolder;
  audio::GrabSettings grabSettings;
  std::unique_ptr<datadisc::SourceTree> sourceTree;  // the folder chosen for a data disc, or none
  bool verify = false;  // a burn reads its disc back and compares it with what it wrote
  std::uint32_t writeSpeed = 0;   // KB/s, chosen in the speed dialog
  std::uint8_t multiSession = 0;  // 1: the burn leaves the disc open for more sessions
  DiscAtOnce discAtOnce;          // an audio CD in one session at once
  // A written CD-RW or DVD-RW in the drive: the burn asks whether to blank it
  // (and blanks it fast), or blanks it without asking.
  BlankRewritable blankRewritable = BlankRewritable::Ask;
};

// One job's own copy of everything it reads, taken when the job starts, so
// that the front end may change the drive, the speed or the folder meanwhile.
struct JobInputs {
  JobInputs();
  ~JobInputs();
  JobInputs(JobInputs&&) noexcept;
  JobInputs& operator=(JobInputs&&) noexcept;

  std::vector<std::string> sourceFiles;
  std::array<std::uint8_t, JobState::kTrackSlots> trackSelected{};
  std::string outputFolder;
  audio::GrabSettings grabSettings;
  std::unique_ptr<datadisc::SourceTree> sourceTree;  // a private copy; the job writes its extents into it
  std::int32_t currentDrive = -1;
  std::uint32_t writeSpeed = 0;
  std::uint8_t multiSession = 0;
  bool verify = false;
  DiscAtOnce discAtOnce;
  BlankRewritable blankRewritable = BlankRewritable::Ask;
};

// Copies the job's inputs out of the shared state, with the registry's current drive.
JobInputs SnapshotJobInputs(const JobState& state, const DriveRegistry& registry);

}  // namespace brenmark
