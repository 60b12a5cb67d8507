#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace brenmark::vcd {

// What the beginning of a file says about it as a Video CD source.
enum class MpegStreamKind {
  MpegOneSystemStream,  // MPEG-1 packs carrying MPEG-1 video
  Empty,
  NotProgramStream,     // it does not begin with a pack header
  MpegTwoPacks,         // the pack headers are MPEG-2's
  NoVideo,              // no video sequence header within the bytes examined
  MpegTwoVideo,         // the sequence header is followed by a sequence extension
  Damaged,              // a pack or packet runs past its own length fields
};

// How many bytes from the start of a file the check needs at most: the first
// video sequence header is looked for this far.
inline constexpr std::size_t kMpegCheckBytes = 1024 * 1024;

// Classifies a file by its first bytes (at most kMpegCheckBytes; fewer when
// the file is shorter). The packs are walked and the payload of the first
// video stream is gathered, so that a sequence header split between packets
// is still found.
MpegStreamKind ClassifyMpegStream(std::span<const std::uint8_t> start);

// True when every pack header among the first bytes (at most
// kMpegCheckBytes) starts a new 2324 bytes of the stream: a Video CD sector
// carries 2324 bytes, and players expect one pack per sector. Streams muxed
// with other pack sizes straddle the sectors.
bool PacksFitVideoCdSectors(std::span<const std::uint8_t> start);

// Why a file of that kind cannot go on a Video CD, in words for the user;
// empty for an MPEG-1 system stream.
const char* MpegRefusalReason(MpegStreamKind kind);

}  // namespace brenmark::vcd
