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
  bool shorterThanHeader = false;
  // The file as it was measured, kept open: the burn writes these samples
  // whatever happens at its path meanwhile.
  AudioTrackReader reader;
};

// A file of the list that cannot be burned, and why.
struct RefusedFile {
  std::string path;
  WavOpenResult reason = WavOpenResult::CannotOpen;
  std::string systemReason;  // the system's words when the file could not be opened
};

// What a burn of a list of WAV files will write, measured before anything is
// written: every file of the list is opened and measured, one track per file
// that can be burned, in list order, each file kept open for its track.
struct AudioTrackPlan {
  std::vector<PlannedTrack> tracks;
  // In list order; a list with any of them is not burned.
  std::vector<RefusedFile> refused;

  // Blocks the tracks take when written track at once: their sectors, the two
  // run-out blocks the drive adds after each, and the 150-block pregap it
  // writes before each track after the first.
  std::int64_t BlocksNeeded() const;
  // The number the last track gets when the first one gets `firstTrack`.
  std::int64_t LastTrackNumber(int firstTrack) const;
};

AudioTrackPlan PlanAudioTracks(std::span<const std::string> files);

}  // namespace brenmark::audio
