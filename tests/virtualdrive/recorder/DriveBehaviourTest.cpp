// What a host relies on beyond reading and writing: the tray's lock, the
// report of a changed disc, the error recovery page, the features of the
// current profile, and how long transfers take at each pace.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

using namespace std::chrono_literals;

const cdb::Bytes kTestUnitReady = cdb::Simple(0x00, 6);
const cdb::Bytes kInquiry = {0x12, 0, 0, 0, 36, 0};
const cdb::Bytes kEject = {0x1B, 0, 0, 0, 0x02, 0};
const cdb::Bytes kSynchronizeCache = cdb::Simple(0x35, 10);
const cdb::Bytes kMediaEvent = {0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0};
const cdb::Bytes kBufferCapacity = {0x5C, 0, 0, 0, 0, 0, 0, 0, 12, 0};

cdb::Bytes PreventRemoval(bool prevent) { return {0x1E, 0, 0, 0, static_cast<std::uint8_t>(prevent ? 1 : 0), 0}; }

// Time that passes only when the recorder waits, all of it counted.
class CountingClock final : public PaceClock {
 public:
  TimePoint Now() override { return now_; }
  void SleepUntil(TimePoint until) override { now_ = std::max(now_, until); }
  std::chrono::duration<double> waited() const { return now_ - TimePoint{}; }

 private:
  TimePoint now_{};
};

TEST(DriveBehaviour, PreventedRemovalKeepsTheDiscInUntilAllowedOrTheLastHolderLeaves) {
  RecorderHarness harness;
  harness.reportUnitAttention = true;
  VirtualRecorder& recorder = harness.recorder();
  ASSERT_EQ(harness.Send(PreventRemoval(true)), TransportResult::Good);
  EXPECT_EQ(harness.Send(kEject), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kMediumRemovalPrevented);
  // Every tray action goes through the same check.
  const TrayResult refused = recorder.RemoveDisc();
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, VirtualRecorder::kLockedMessage);
  ASSERT_EQ(harness.Send(PreventRemoval(false)), TransportResult::Good);
  EXPECT_EQ(harness.Send(kEject), TransportResult::Good);
  harness.Send(kTestUnitReady);  // told of the new disc

  // The lock ends with the last claim, as a device's with its last close.
  ASSERT_EQ(harness.Send(PreventRemoval(true)), TransportResult::Good);
  ASSERT_EQ(recorder.Claim(), VirtualRecorder::ClaimResult::Claimed);
  recorder.Release();
  EXPECT_FALSE(recorder.RemoveDisc().ok);
  recorder.Release();
  EXPECT_TRUE(recorder.RemoveDisc().ok);
}

// Each change of disc, by this process's tray or another's, is told once
// by a unit attention and by the media events in turn.
TEST(DriveBehaviour, AChangedDiscIsReportedOnceAsUnitAttentionAndAsMediaEvents) {
  RecorderHarness harness;
  harness.reportUnitAttention = true;
  VirtualRecorder& recorder = harness.recorder();
  const auto otherProcessSwaps = [&harness, &recorder] {
    recorder.Release();
    {
      VirtualRecorder other(CdRecorderModel(), harness.folder() / "work", harness.folder() / "burned discs");
      ASSERT_TRUE(other.InsertBlank(MediumKind::CdRw).ok);
    }
    ASSERT_EQ(recorder.Claim(), VirtualRecorder::ClaimResult::Claimed);
  };
  const struct {
    const char* change;
    std::function<void()> make;
    std::vector<std::uint8_t> events;
  } kChanges[] = {
      {"emptied here", [&recorder] { ASSERT_TRUE(recorder.RemoveDisc().ok); }, {3}},
      {"loaded here", [&recorder] { ASSERT_TRUE(recorder.InsertBlank(MediumKind::CdR).ok); }, {2}},
      {"swapped by another process", otherProcessSwaps, {3, 2}},
  };
  for (const auto& change : kChanges) {
    change.make();
    // Asked what happened, a host is not refused.
    EXPECT_TRUE(harness.Read(kInquiry, 36)) << change.change;
    EXPECT_EQ(harness.Send(kTestUnitReady), TransportResult::DeviceFailure) << change.change;
    EXPECT_EQ(harness.sense(), sense::kMediumMayHaveChanged) << change.change;
    for (const std::uint8_t event : change.events) {
      EXPECT_EQ((*harness.Read(kMediaEvent, 8))[4], event) << change.change;
    }
    EXPECT_EQ((*harness.Read(kMediaEvent, 8))[4], 0) << change.change;
    EXPECT_NE(harness.sense(), sense::kMediumMayHaveChanged) << change.change;
  }
  // The host's own eject, which it knows of, is told by the media events only:
  // a program ejecting twice in a row is not refused the second time.
  for (int eject = 0; eject < 2; ++eject) EXPECT_EQ(harness.Send({0x1B, 0, 0, 0, 0x02, 0}), TransportResult::Good);
  for (const std::uint8_t event : {3, 2, 0}) EXPECT_EQ((*harness.Read(kMediaEvent, 8))[4], event);
  // Burning changes no disc.
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 16, Pattern(16, 2048, 1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(kSynchronizeCache), TransportResult::Good);
  EXPECT_EQ(harness.Send(kTestUnitReady), TransportResult::Good);
}

TEST(DriveBehaviour, ErrorRecoveryPageAndRandomReadableFeatureOfTheCurrentProfile) {
  RecorderHarness harness;
  const auto page = harness.Read(cdb::ModeSense(0x01, 64), 64);
  ASSERT_TRUE(page);
  EXPECT_EQ(Be16(*page, 8), 0x010A);
  EXPECT_EQ(harness.Read(cdb::ModeSense(0x3F, 255), 255).value()[8], 0x01);  // pages in the order of their codes
  // Selecting it back is taken, as readers do before reading raw.
  std::vector<std::uint8_t> list(page->begin(), page->begin() + 20);
  list[0] = list[1] = 0;
  EXPECT_EQ(harness.SendOut(cdb::ModeSelect(20), list), TransportResult::Good);

  const cdb::Bytes oneFeature = {0x46, 0x02, 0x00, 0x10, 0, 0, 0, 0, 64, 0};
  const auto feature = harness.Read(oneFeature, 64);
  ASSERT_TRUE(feature);
  EXPECT_EQ(Be16(*feature, 6), 0x0009);  // CD-R
  EXPECT_EQ(Be16(*feature, 8), 0x0010);
  EXPECT_EQ((*feature)[10] & 0x01, 0x01);  // current
  EXPECT_EQ(Be32(*feature, 12), 2048u);
}

// At the real pace a burn takes its blocks' time at the write speed, the
// buffer filling as the host gets ahead of the disc; reads take theirs at
// the fastest speed. At the fast pace nothing waits.
TEST(DriveBehaviour, ThePaceDecidesHowLongTransfersTakeAndTheBufferShowsIt) {
  constexpr std::uint16_t kWrites = 100;
  constexpr std::uint16_t kBlocksPerWrite = 32;
  const struct {
    Pace pace;
    double seconds;  // 3200 blocks of 2352 bytes at 706 KB/s, then 320 at 8467 KB/s
  } kCases[] = {{Pace::Fast, 0.0}, {Pace::Real, 3200 * 2352 / 706000.0 + 320 * 2352 / 8467000.0}};
  for (const auto& c : kCases) {
    RecorderHarness harness;
    auto clock = std::make_shared<CountingClock>();
    harness.recorder().SetPaceClock(clock);
    ASSERT_TRUE(harness.recorder().SetPace(c.pace).ok);
    cdb::Bytes speed = cdb::Simple(0xBB, 12);
    cdb::Put16(speed, 4, 706);  // 4x
    ASSERT_EQ(harness.Send(speed), TransportResult::Good);
    ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
    const auto data = Pattern(kBlocksPerWrite, 2048, 7);
    std::uint32_t leastFree = 2048 * 1024;
    for (std::uint16_t write = 0; write < kWrites; ++write) {
      ASSERT_EQ(harness.Write(write * kBlocksPerWrite, kBlocksPerWrite, data), TransportResult::Good);
      leastFree = std::min(leastFree, Be32(*harness.Read(kBufferCapacity, 12), 8));
    }
    EXPECT_LT(leastFree, 2048u * 1024 - kBlocksPerWrite * 2048 + 1) << PaceName(c.pace);
    ASSERT_EQ(harness.Send(kSynchronizeCache), TransportResult::Good);
    EXPECT_EQ(Be32(*harness.Read(kBufferCapacity, 12), 8), 2048u * 1024) << PaceName(c.pace);
    for (int read = 0; read < 10; ++read) {
      ASSERT_TRUE(harness.Read({0x28, 0, 0, 0, 0, 0, 0, 0, 32, 0}, 32 * 2048));
    }
    EXPECT_NEAR(clock->waited().count(), c.seconds, c.seconds * 0.01 + 1e-6) << PaceName(c.pace);
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
