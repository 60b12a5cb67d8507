#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "virtualdrive/DiscState.h"

namespace brenmark::virtualdrive {

// The small text file kept next to an image that records what a cue sheet or an
// ISO image cannot say: sessions, run-out blocks, open tracks, reservations.
//
//   brenmark-disc 1
//   medium CD-R
//   minutes 63          (a CD of another size than 80 minutes only)
//   finalized 0
//   reserved 0
//   session <number> <lead-out start> <next session allowed 0|1> <format>
//   track <number> <session> <audio|mode1|mode2> <pregap start> <start> <end> <run-out> <closed 0|1>
//   catalog <13 digits>      (a disc written session at once, as the host gave them)
//   isrc <track> <12 characters>
//   index <track> <start of index 2, 3, ...>
//   cdtext <one 18-byte CD-TEXT pack in hex>
std::string FormatDiscState(const DiscState& disc);

struct DiscStateParseResult {
  std::optional<DiscState> state;
  std::string error;
};

// The same text as REM lines of a cue sheet ("REM DISC-STATE medium CD-R"), so
// that a copied .cue/.bin keeps the disc open without its state file.
std::string DiscStateAsCueRemarks(const DiscState& disc);
// The state text the REM lines of a cue sheet carry; empty when it has none.
std::string DiscStateInCueRemarks(std::string_view cueText);

// Rejects anything that is not a consistent disc: unknown lines, tracks or
// sessions out of order, overlapping extents, an open track before the last.
DiscStateParseResult ParseDiscState(std::string_view text);

}  // namespace brenmark::virtualdrive
