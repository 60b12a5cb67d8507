#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// CD-TEXT as a disc carries it in its lead-in: 18-byte packs, each with a
// CRC, holding the titles and performers of the disc and of its tracks in
// one block (English, ISO 8859-1), closed by the three size information packs.
// A kind of text none of them has takes no packs.
namespace brenmark::cdtext {

using Pack = std::array<std::uint8_t, 18>;

struct TrackTexts {
  std::string title;      // UTF-8
  std::string performer;  // UTF-8
  std::string songwriter; // UTF-8
};

struct DiscTexts {
  TrackTexts disc;
  std::vector<TrackTexts> tracks;  // from the first track on
  int firstTrack = 1;

  // Any text at all: a disc without one carries no CD-TEXT.
  bool Any() const;
};

// A disc holds at most 256 packs in one block.
inline constexpr std::size_t kMaxPacks = 256;

// The packs, or nothing when the texts need more than kMaxPacks.
std::optional<std::vector<Pack>> EncodePacks(const DiscTexts& texts);

// The CRC-16 of a pack's first 16 bytes as the pack stores it (CCITT, inverted).
std::uint16_t PackCrc(const Pack& pack);

// One lead-in block of packed R-W sub-channel: the packs from `first` on
// (taken round, as the lead-in repeats them), four to a block, each as 24
// symbols of six bits, one symbol in the low bits of each byte.
std::array<std::uint8_t, 96> LeadInBlock(const std::vector<Pack>& packs, std::size_t first);

}  // namespace brenmark::cdtext
