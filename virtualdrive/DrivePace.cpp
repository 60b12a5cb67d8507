#include "virtualdrive/DrivePace.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/TextFile.h"

namespace brenmark::virtualdrive {

namespace {

constexpr const char* kPaceFile = "pace";

class SteadyClock final : public PaceClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  void SleepUntil(TimePoint until) override { std::this_thread::sleep_until(until); }
};

}  // namespace

std::shared_ptr<PaceClock> SystemPaceClock() {
  static const auto clock = std::make_shared<SteadyClock>();
  return clock;
}

std::string_view PaceName(Pace pace) { return pace == Pace::Real ? "real" : "fast"; }

std::optional<Pace> PaceNamed(std::string_view name) {
  if (name == "real") return Pace::Real;
  if (name == "fast") return Pace::Fast;
  return std::nullopt;
}

Pace ReadPace(const std::filesystem::path& workFolder) {
  std::string ignored;  // anything but the program's own pace file is the default pace
  const auto text = platform::ReadOwnTextFile(workFolder / kPaceFile, 64, ignored);
  if (!text) return Pace::Fast;
  std::string_view name = *text;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.remove_suffix(1);
  return PaceNamed(name).value_or(Pace::Fast);
}

bool WritePace(const std::filesystem::path& workFolder, Pace pace, std::string& error) {
  return platform::WriteTextFileAtomically(workFolder / kPaceFile, std::string(PaceName(pace)) + "\n", error);
}

void DrivePace::Set(Pace pace) {
  if (pace == pace_) return;
  pace_ = pace;
  busyUntil_ = {};
  handedOver_ = 0;
}

std::chrono::nanoseconds DrivePace::BlockTime(std::uint32_t kilobytesPerSecond, std::uint32_t discBytes) {
  const std::uint64_t bytesPerSecond = std::max<std::uint64_t>(kilobytesPerSecond, 1) * 1000;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(discBytes * 1'000'000'000ULL / bytesPerSecond));
}

std::optional<DrivePace::TimePoint> DrivePace::Write(std::uint32_t blocks, std::chrono::nanoseconds blockTime) {
  if (pace_ == Pace::Fast) {
    handedOver_ = std::min(handedOver_ + blocks, kBufferBlocks);
    return std::nullopt;
  }
  const TimePoint now = clock_->Now();
  blockTime_ = blockTime;
  busyUntil_ = std::max(now, busyUntil_) + blockTime * blocks;
  // The host is held until the data not yet on the disc fits the buffer.
  const TimePoint room = busyUntil_ - blockTime * kBufferBlocks;
  return room > now ? std::optional(room) : std::nullopt;
}

std::optional<DrivePace::TimePoint> DrivePace::Read(std::uint32_t blocks, std::chrono::nanoseconds blockTime) {
  if (pace_ == Pace::Fast || blocks == 0) return std::nullopt;
  const TimePoint now = clock_->Now();
  blockTime_ = blockTime;
  busyUntil_ = std::max(now, busyUntil_) + blockTime * blocks;
  return busyUntil_;
}

std::optional<DrivePace::TimePoint> DrivePace::Flush() {
  handedOver_ = 0;
  if (pace_ == Pace::Fast || busyUntil_ <= clock_->Now()) return std::nullopt;
  return busyUntil_;
}

std::uint32_t DrivePace::TakeLevel() {
  if (pace_ == Pace::Fast) return std::exchange(handedOver_, 0);
  const auto ahead = busyUntil_ - clock_->Now();
  if (ahead <= std::chrono::nanoseconds::zero()) return 0;
  return static_cast<std::uint32_t>(std::min<std::int64_t>(ahead / blockTime_, kBufferBlocks));
}

}  // namespace brenmark::virtualdrive
