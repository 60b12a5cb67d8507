#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brenmark::audio {

// A table-of-contents time: minute, second, frame.
struct MsfTime {
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint8_t frame = 0;

  // M x 4500 + S x 75 + F.
  std::int32_t Frames() const { return minute * 4500 + second * 75 + frame; }
  // The logical block address of the time: its frames less the 150 of the pregap.
  std::int32_t Lba() const { return Frames() - 150; }
};

// One track of the table: where it starts and whether its control field marks it as data.
struct TrackTime {
  MsfTime start;
  bool data = false;
};

// The track starts of a full table of contents (times in MSF form), in
// descriptor order, and the lead-out after the last of them. Track n is entry
// n - 1; it ends where the next entry (or the lead-out) starts.
struct TrackTimeTable {
  static constexpr std::size_t kMaxTracks = 99;

  std::vector<TrackTime> tracks;
  MsfTime leadOut;

  bool Holds(int trackNumber) const {
    return trackNumber >= 1 && static_cast<std::size_t>(trackNumber) <= tracks.size();
  }
  MsfTime Start(int trackNumber) const { return tracks[static_cast<std::size_t>(trackNumber - 1)].start; }
  MsfTime End(int trackNumber) const {
    const auto next = static_cast<std::size_t>(trackNumber);
    return next < tracks.size() ? tracks[next].start : leadOut;
  }
  // The length in sectors; 0 for a table whose times run backwards.
  std::int32_t Length(int trackNumber) const;
};

// Walks the descriptors of a full table of contents of `size` bytes: those of
// ADR 1 with POINT 1 to 99 are tracks (at most 99 kept), the last one with
// POINT A2h the lead-out (00:00:00 without one). Nothing beyond `size` is read.
TrackTimeTable ReadTrackTimes(const std::uint8_t* toc, std::size_t size);

// The track dialog's line for a track: "Track 01 - 04:00 -- Size: 40.37 Mb".
std::string TrackListText(int trackNumber, MsfTime start, MsfTime end);

// "MM:SS:FF".
std::string FormatMsf(MsfTime time);

}  // namespace brenmark::audio
