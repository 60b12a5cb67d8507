#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// CD-TEXT as a CD carries it in the R-W sub-channel of its lead-in and as
// READ TOC/PMA/ATIP format 5 returns it: 18-byte packs of a pack type, a
// track number, a sequence number, the block and character position, 12
// bytes of text and a CRC. Texts are NUL-terminated and run on from pack to
// pack; track 0 is the disc. One language block (block 0), ISO 8859-1.
namespace brenmark::cdtext {

using Pack = std::array<std::uint8_t, 18>;

inline constexpr std::uint8_t kTitle = 0x80;
inline constexpr std::uint8_t kPerformer = 0x81;
inline constexpr std::uint8_t kSongwriter = 0x82;
inline constexpr std::uint8_t kSizeInfo = 0x8F;

struct Entry {
  std::uint8_t packType = kTitle;  // 80h-87h, 8Eh: the text pack types
  int track = 0;                   // 0 for the disc
  std::string text;

  bool operator==(const Entry&) const = default;
};

// The packs of `entries`: each text type present gets a text for the disc and
// every track up to the highest one named (empty where none is given),
// followed by the three size information packs. Texts longer than a disc can
// hold are cut: at most 253 packs in all.
std::vector<Pack> Encode(const std::vector<Entry>& entries);

// The texts of language block 0, in pack order; packs whose CRC is wrong and
// the binary pack types (88h, 89h, 8Fh) are passed over, empty texts left out.
std::vector<Entry> Decode(const std::vector<Pack>& packs);

// CRC-16 (x^16 + x^12 + x^5 + 1, initial 0) of the first 16 bytes, inverted:
// what bytes 16-17 hold.
std::uint16_t Crc(const Pack& pack);
bool HasValidCrc(const Pack& pack);

// A pack as 24 sub-channel symbols of 6 bits (bits 5-0 of each byte, the
// most significant bits of the pack first): the "packed" R-W data a host
// sends for the lead-in, four packs to a 96-byte block.
std::array<std::uint8_t, 24> ToRwSymbols(const Pack& pack);
Pack FromRwSymbols(const std::uint8_t* symbols24);

}  // namespace brenmark::cdtext
