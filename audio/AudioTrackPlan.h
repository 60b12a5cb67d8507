#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioTrackReader.h"

namespace brenmark::audio {

// The highest track number a CD can hold.
inline constexpr int kMaxTrackNumber = 99;

struct PlannedTrack {
  std::string path;
  std::uint32_t sectors = 0;
  bool paddedToMinimum = false;
};

// What a burn of a list of WAV files will write, measured before anything is
// written: one track per file in list order, up to the first file that cannot
// be burned (the burn stops there).
struct AudioTrackPlan {
  std::vector<PlannedTrack> tracks;
  // Why the file after the planned tracks cannot be burned; Ok when every
  // file of the list is planned.
  WavOpenResult stopReason = WavOpenResult::Ok;

  // Blocks the tracks take when written track at once: their sectors, the two
  // run-out blocks the drive adds after each, and the 150-block pregap it
  // writes before each track after the first.
  std::int64_t BlocksNeeded() const;
  // The number the last track gets when the first one gets `firstTrack`.
  std::int64_t LastTrackNumber(int firstTrack) const;
};

AudioTrackPlan PlanAudioTracks(std::span<const std::string> files);

}  // namespace brenmark::audio
