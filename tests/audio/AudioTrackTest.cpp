// A WAV file that changes while its track is read, and the plan a burn checks
// before it writes. What a track holds is checked end to end on burned discs.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "tests/audio/WavBytes.h"
#include "tests/support/TempFolder.h"

namespace brenmark::audio {
namespace {

namespace fs = std::filesystem;
using test::CanonicalWav;
using test::Chunk;
using test::FormatChunk;
using test::Riff;
using test::Samples;
using test::WriteBytes;

class AudioTrack : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_.path() / name;
    WriteBytes(path, bytes);
    return path.string();
  }

  // Every sector of the track, read `perRead` sectors at a time.
  static std::string ReadAll(AudioTrackReader& reader, std::uint32_t perRead) {
    std::vector<std::uint8_t> buffer(perRead * kAudioSectorBytes + 100, 0xEE);
    std::string track;
    while (const std::uint32_t sectors = reader.Next(buffer)) {
      track.append(reinterpret_cast<const char*>(buffer.data()), sectors * kAudioSectorBytes);
    }
    return track;
  }

  // Its own folder: the tests of this file run as parallel processes.
  const testsupport::TempFolder folder_{"audio-track"};
};

TEST_F(AudioTrack, AFileThatShrinksIsToldAndTheTrackKeepsItsLength) {
  const std::string samples = Samples(kAudioSectorBytes * 400, 9);
  const std::string path = Write("shrinks.wav", CanonicalWav(samples));
  AudioTrackReader reader;
  ASSERT_EQ(reader.Open(path), WavOpenResult::Ok);
  fs::resize_file(path, 44 + kAudioSectorBytes * 100);
  const std::string track = ReadAll(reader, 16);
  EXPECT_TRUE(reader.readFailed());
  ASSERT_EQ(track.size(), 400u * kAudioSectorBytes);
  EXPECT_EQ(track.substr(0, kAudioSectorBytes * 100), samples.substr(0, kAudioSectorBytes * 100));
  EXPECT_EQ(track.find_first_not_of('\0', kAudioSectorBytes * 100), std::string::npos);
}

TEST_F(AudioTrack, PlanStopsAtTheFirstFileThatCannotBeBurned) {
  const std::string one = Write("1.wav", CanonicalWav(Samples(kAudioSectorBytes * 500, 1)));
  const std::string two = Write("2.wav", CanonicalWav(Samples(10, 2)));
  const std::string mono = Write("mono.wav", Riff({FormatChunk({.channels = 1}), Chunk("data", "ab")}));
  const std::string missing = (folder_.path() / "missing.wav").string();

  const std::vector<std::string> good = {one, two};
  const AudioTrackPlan all = PlanAudioTracks(good);
  EXPECT_EQ(all.stopReason, WavOpenResult::Ok);
  ASSERT_EQ(all.tracks.size(), 2u);
  EXPECT_FALSE(all.tracks[0].paddedToMinimum);
  EXPECT_TRUE(all.tracks[1].paddedToMinimum);
  // 500 + 2 run-out, 150 pregap, 300 + 2 run-out.
  EXPECT_EQ(all.BlocksNeeded(), 954);
  EXPECT_EQ(all.LastTrackNumber(98), 99);

  const std::vector<std::string> withMono = {one, mono, two};
  const AudioTrackPlan stopped = PlanAudioTracks(withMono);
  EXPECT_EQ(stopped.stopReason, WavOpenResult::NotCdAudio);
  EXPECT_EQ(stopped.tracks.size(), 1u);
  EXPECT_EQ(stopped.BlocksNeeded(), 502);

  const std::vector<std::string> withMissing = {missing, one};
  EXPECT_EQ(PlanAudioTracks(withMissing).stopReason, WavOpenResult::CannotOpen);
  EXPECT_EQ(PlanAudioTracks(withMissing).BlocksNeeded(), 0);
}

}  // namespace
}  // namespace brenmark::audio
