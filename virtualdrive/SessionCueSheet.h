#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "virtualdrive/DiscState.h"

namespace brenmark::virtualdrive {

// A run of blocks that one entry of the cue sheet describes, up to the next
// entry: where it lies and what the host sends for each of its blocks.
struct CueSpan {
  int track = 0;  // 0: the lead-in
  int index = 0;
  std::uint8_t dataForm = 0;  // bits 5-0 the main data, bits 7-6 the sub-channel
  std::int32_t from = 0;
  std::int32_t to = 0;  // exclusive

  // Bytes of main data the host sends per block (0: the drive makes them).
  std::uint32_t MainBytes() const;
  // 96 when each block carries sub-channel data after its main data.
  std::uint32_t SubChannelBytes() const { return (dataForm & 0xC0) != 0 ? 96 : 0; }
  std::uint32_t HostBytes() const { return MainBytes() + SubChannelBytes(); }
  TrackKind Kind() const;
};

struct CueSheetTrack {
  int number = 0;
  TrackKind kind = TrackKind::Audio;
  std::int32_t pregapStart = 0;  // index 0; equals start without one
  std::int32_t start = 0;        // index 1
  std::int32_t end = 0;          // the next track's pregap, or the lead-out
  std::vector<std::int32_t> indexes;  // index 2, 3, ...
  std::string isrc;
};

// The session a host announced with SEND CUE SHEET: its tracks and the block
// ranges it will write, from the lead-in to the lead-out.
struct SessionCueSheet {
  std::uint8_t leadInForm = 0x01;
  std::vector<CueSpan> spans;  // the lead-in and the tracks' indexes, in order
  std::vector<CueSheetTrack> tracks;
  std::int32_t leadOutStart = 0;
  std::string catalog;

  // The span holding `lba`, the lead-in for any block before the first track.
  const CueSpan& SpanAt(std::int32_t lba) const;
  // Whether the host sends sub-channel data for the lead-in (CD-TEXT).
  bool LeadInTakesSubChannel() const { return (leadInForm & 0xC0) != 0; }
};

// Reads the cue sheet of a session whose first track is `firstTrack` and
// whose first pregap must begin at `firstPregap`. Nothing when the sheet is
// not one the recorder can write: entries out of order or overlapping,
// unknown address types or data forms, a track without index 1, a malformed
// catalogue number or ISRC, no lead-in or lead-out entry.
std::optional<SessionCueSheet> ReadSessionCueSheet(const std::uint8_t* data, std::size_t length, int firstTrack,
                                                   std::int32_t firstPregap);

}  // namespace brenmark::virtualdrive
