#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brenmark::test {

// One track of a generated disc image: its length in sectors and whether it is
// a Mode 1 data track instead of audio.
struct ImageTrack {
  std::int32_t sectors = 0;
  bool data = false;
};

// Writes name.bin and name.cue into `folder`: the tracks back to back in one
// file, each audio sector the next 2352 bytes of a sample pattern that differs
// per track, data sectors filled with a constant. Returns the .cue path.
std::filesystem::path WriteDiscImage(const std::filesystem::path& folder, const std::string& name,
                                     const std::vector<ImageTrack>& tracks);

// The PCM bytes of track `number` (from 1) of an image WriteDiscImage made.
std::vector<std::uint8_t> TrackPcm(const std::filesystem::path& cue, const std::vector<ImageTrack>& tracks,
                                   int number);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

}  // namespace brenmark::test
