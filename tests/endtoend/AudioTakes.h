#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/AudioTrackReader.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/EndToEndSupport.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {

// Each of `samples` as a canonical WAV file `work`/takeN.wav; their paths.
inline std::vector<std::string> WriteTakes(const std::filesystem::path& work, const std::vector<std::string>& samples) {
  std::vector<std::string> wavs;
  for (const std::string& take : samples) {
    wavs.push_back((work / ("take" + std::to_string(wavs.size() + 1) + ".wav")).string());
    audio::test::WriteBytes(wavs.back(), audio::test::CanonicalWav(take));
  }
  return wavs;
}

// The samples of a canonical WAV file (its header 44 bytes).
inline std::string WavSamples(const std::filesystem::path& wav) {
  constexpr std::size_t kCanonicalHeader = 44;
  const std::string bytes = ReadWholeFile(wav);
  return bytes.size() < kCanonicalHeader ? std::string() : bytes.substr(kCanonicalHeader);
}

// The audio of a track read back: `samples`, then only silence (the end of
// the last sector, a short track's padding, the drive's run-out), and at
// least the track's length.
inline void ExpectSamplesThenSilence(const std::string& track, const std::string& samples, const std::string& what) {
  ASSERT_GE(track.size(), std::size_t{audio::TrackSectors(samples.size())} * audio::kAudioSectorBytes) << what;
  EXPECT_TRUE(track.compare(0, samples.size(), samples) == 0) << what;
  EXPECT_TRUE(std::all_of(track.begin() + static_cast<std::ptrdiff_t>(samples.size()), track.end(),
                          [](char byte) { return byte == 0; }))
      << what;
}

// Splits the image with bchunk -w: its tracks hold `samples`.
inline void ExpectTracksHold(const std::filesystem::path& cue, const std::vector<std::string>& samples) {
  ScratchFolder split("split");
  const auto run = RunProgram({"bchunk", "-w", BinOf(cue).string(), cue.string(), (split.path() / "t").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto wavs = ListFiles(split.path());
  ASSERT_EQ(wavs.size(), samples.size());
  for (std::size_t i = 0; i < samples.size(); ++i)
    ExpectSamplesThenSilence(WavSamples(split.path() / wavs[i]), samples[i], wavs[i].string());
}

}  // namespace brenmark::endtoend
