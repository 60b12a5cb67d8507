// What a grab finds in the drive before any track is chosen: audio tracks, or
// an empty tray, a blank disc, a data-only disc or an unreadable one, each
// told to the user in its own words.
#include <gtest/gtest.h>

#include "jobs/grab/DiscTracks.h"
#include "tests/jobs/grab/AudioDiscImage.h"
#include "tests/endtoend/VirtualBench.h"
#include "virtualdrive/FaultInjector.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::test {
namespace {

using audio::AudioDiscState;
constexpr int kCd = endtoend::VirtualBench::kCdDrive;

struct DiscCase {
  const char* name;
  std::vector<ImageTrack> image;  // empty: no image inserted
  bool removeDisc;
  std::vector<const char*> faults;  // armed on the recorder before each reading
  AudioDiscState state;
  const char* told;   // nullptr: nothing told
  std::size_t lines;
};

TEST(DiscTracks, EachDiscIsListedOrRefusedWithItsOwnReason) {
  const DiscCase cases[] = {
      {"audio", {{300, false}, {200, false}}, false, {}, AudioDiscState::AudioTracks, nullptr, 2},
      {"mixed", {{300, true}, {200, false}}, false, {}, AudioDiscState::AudioTracks, nullptr, 2},
      {"data only", {{300, true}}, false, {}, AudioDiscState::OnlyData, audio::kNoAudioTracksText, 0},
      {"blank", {}, false, {}, AudioDiscState::Blank, audio::kBlankDiscText, 0},
      {"empty tray", {}, true, {}, AudioDiscState::NoDisc, audio::kNoDiscText, 0},
      {"toc unreadable", {{300, false}}, false, {"READTOC:always"}, AudioDiscState::Unreadable,
       audio::kTocReadFailedText, 0},
      {"nothing answers", {{300, false}}, false, {"READDISCINFORMATION:always", "READTOC:always"},
       AudioDiscState::Unreadable, audio::kTocReadFailedText, 0},
  };
  for (const DiscCase& c : cases) {
    SCOPED_TRACE(c.name);
    endtoend::VirtualBench bench;
    endtoend::ScratchFolder scratch{"disc-tracks"};
    virtualdrive::VirtualRecorder& recorder = bench.recorder(kCd);
    ASSERT_TRUE(c.image.empty() || recorder.InsertImage(WriteDiscImage(scratch.path(), "disc", c.image)).ok);
    ASSERT_TRUE(!c.removeDisc || recorder.RemoveDisc().ok);
    for (const char* text : c.faults) {
      const auto fault = virtualdrive::ParseFaultSpec(text);
      ASSERT_TRUE(fault.spec) << fault.error;
      recorder.ArmFault(*fault.spec);
    }

    const audio::AudioDisc disc = audio::ReadAudioDisc(*bench.registry, kCd, bench.prompt);
    EXPECT_EQ(disc.state, c.state);
    const std::vector<std::string> told = bench.prompt.texts();
    EXPECT_EQ(told, c.told ? std::vector<std::string>{c.told} : std::vector<std::string>{});

    // The track dialog's list refuses the same discs, and leaves the drive free.
    bench.prompt.Forget();
    const auto list = audio::ReadTrackList(*bench.registry, bench.leases, kCd, bench.prompt);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->failed, c.state != AudioDiscState::AudioTracks);
    EXPECT_EQ(list->lines.size(), c.lines);
    EXPECT_EQ(bench.prompt.texts(), told);
    EXPECT_FALSE(bench.leases.IsBusy(kCd));
  }
}

}  // namespace
}  // namespace brenmark::test
