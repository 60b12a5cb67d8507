#pragma once

#include <cstdint>
#include <vector>

namespace brenmark {

// One track of the disc as the full table of contents gives it (MSF as stored,
// with the 150-frame offset included).
struct TocTrack {
  std::int32_t startMinute = 0;
  std::int32_t startSecond = 0;
  std::int32_t startFrame = 0;
  std::int32_t audio = 0;  // 1 audio, 0 data
  std::int32_t trackNumber = 0;
};

struct TocSession {
  static constexpr int kMaxTracks = 99;

  std::int32_t startMinute = 0;
  std::int32_t startSecond = 0;
  std::int32_t startFrame = 0;
  std::int32_t leadOutMinute = 0;
  std::int32_t leadOutSecond = 0;
  std::int32_t leadOutFrame = 0;
  std::int32_t firstTrackNumber = 0;
  std::int32_t lastTrackNumber = 0;
  std::int32_t discType = 0;  // 00h CD-DA/CD-ROM, 10h CD-I, 20h CD-ROM XA
  std::vector<TocTrack> tracks;

  std::int32_t trackCount() const { return static_cast<std::int32_t>(tracks.size()); }
  // Frames (75 per second), taken as the MSF values stand.
  std::int32_t TrackStart(int index) const;
  std::int32_t LeadOut() const;
  // Frames from the track's start to the next track's start, or to the lead-out
  // for the last track; 0 for an index past the end or an end of 0.
  std::int32_t TrackLength(int index) const;
};

// The sessions and tracks of the inserted disc, rebuilt by ReadSessions.
struct DiscToc {
  static constexpr int kMaxSessions = 99;

  std::vector<TocSession> sessions;

  std::int32_t sessionCount() const { return static_cast<std::int32_t>(sessions.size()); }
};

}  // namespace brenmark
