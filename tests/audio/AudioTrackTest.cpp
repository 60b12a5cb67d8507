// WAV files read back as the sectors of their tracks, and the plan a burn
// checks before it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "tests/audio/WavBytes.h"

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
  AudioTrack() : folder_(fs::temp_directory_path() / ("brenmark-audio-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::create_directories(folder_);
  }
  ~AudioTrack() override { fs::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_ / name;
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

  fs::path folder_;
};

TEST_F(AudioTrack, KeepsEverySampleAndPadsOnlyWithSilence) {
  // 16 sectors and one more sample pair: the last partial sector is kept.
  const std::string samples = Samples(16 * kAudioSectorBytes * 20 + 4, 7);
  const std::string path =
      Write("long.wav", Riff({FormatChunk({}), Chunk("LIST", std::string(30, 'm')), Chunk("data", samples)}));
  AudioTrackReader reader;
  ASSERT_EQ(reader.Open(path), WavOpenResult::Ok);
  EXPECT_EQ(reader.sectorCount(), 321u);
  EXPECT_FALSE(reader.paddedToMinimum());
  const std::string track = ReadAll(reader, 16);
  ASSERT_EQ(track.size(), 321u * kAudioSectorBytes);
  EXPECT_EQ(track.substr(0, samples.size()), samples);
  EXPECT_EQ(track.find_first_not_of('\0', samples.size()), std::string::npos);
  EXPECT_FALSE(reader.readFailed());
  EXPECT_EQ(reader.Next(std::span<std::uint8_t>()), 0u);
}

TEST_F(AudioTrack, ShortAndEmptyFilesBecomeFourSecondTracks) {
  for (const std::size_t bytes : {std::size_t{0}, std::size_t{6}, std::size_t{kAudioSectorBytes * 299 + 2}}) {
    SCOPED_TRACE(bytes);
    const std::string samples = Samples(bytes, 3);
    AudioTrackReader reader;
    ASSERT_EQ(reader.Open(Write("short.wav", CanonicalWav(samples))), WavOpenResult::Ok);
    EXPECT_EQ(reader.sectorCount(), kMinimumTrackSectors);
    EXPECT_TRUE(reader.paddedToMinimum());
    const std::string track = ReadAll(reader, 7);
    ASSERT_EQ(track.size(), kMinimumTrackSectors * kAudioSectorBytes);
    EXPECT_EQ(track.substr(0, bytes), samples);
    EXPECT_EQ(track.find_first_not_of('\0', bytes), std::string::npos);
  }
}

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
  const std::string missing = (folder_ / "missing.wav").string();

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
