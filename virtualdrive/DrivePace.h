#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brenmark::virtualdrive {

// The clock a recorder's transfers are paced by; tests give one that only
// counts the time it is asked to wait.
class PaceClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~PaceClock() = default;
  virtual TimePoint Now() = 0;
  virtual void SleepUntil(TimePoint until) = 0;
};

// The steady clock, sleeping for real.
std::shared_ptr<PaceClock> SystemPaceClock();

// How long a recorder's reads and writes take: at once (`Fast`), or the
// time a drive at the selected speed would take (`Real`).
enum class Pace : std::uint8_t { Fast, Real };

std::string_view PaceName(Pace pace);
std::optional<Pace> PaceNamed(std::string_view name);

// The pace kept in a recorder's work folder, so that every program using the
// recorder follows it; Fast when none was chosen or it cannot be read.
Pace ReadPace(const std::filesystem::path& workFolder);
bool WritePace(const std::filesystem::path& workFolder, Pace pace, std::string& error);

// A drive's timeline and its write buffer. At the real pace the disc takes
// data at the speed's rate: a write waits only for room in the buffer, the
// cache flush waits for the buffer to empty, a read waits for its blocks.
// At the fast pace nothing waits, and the buffer holds what was handed over
// since the host last asked for its level.
class DrivePace {
 public:
  using TimePoint = PaceClock::TimePoint;
  static constexpr std::uint32_t kBufferBlocks = 1024;  // 2 MB of 2048-byte blocks

  explicit DrivePace(std::shared_ptr<PaceClock> clock) : clock_(std::move(clock)) {}

  void Set(Pace pace);
  Pace pace() const { return pace_; }
  PaceClock& clock() { return *clock_; }
  void SetClock(std::shared_ptr<PaceClock> clock) { clock_ = std::move(clock); }

  // The disc's time for one block at `kilobytesPerSecond` (1000 bytes; the
  // drive's own speed unit), of `discBytes` on the medium (2352 on CD, 2048 on DVD).
  static std::chrono::nanoseconds BlockTime(std::uint32_t kilobytesPerSecond, std::uint32_t discBytes);

  // Each returns when the command's answer is due, or nothing for at once.
  std::optional<TimePoint> Write(std::uint32_t blocks, std::chrono::nanoseconds blockTime);
  std::optional<TimePoint> Read(std::uint32_t blocks, std::chrono::nanoseconds blockTime);
  std::optional<TimePoint> Flush();

  // The blocks in the buffer now (see the class).
  std::uint32_t TakeLevel();

 private:
  std::shared_ptr<PaceClock> clock_;
  Pace pace_ = Pace::Fast;
  TimePoint busyUntil_{};
  std::chrono::nanoseconds blockTime_{1};
  std::uint32_t handedOver_ = 0;
};

}  // namespace brenmark::virtualdrive
