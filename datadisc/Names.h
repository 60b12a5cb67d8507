#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brenmark::datadisc {

// Length limits of the three name rules: the ISO 9660 ones in bytes, the
// Joliet one in the UTF-16 code units the disc stores a Joliet name in.
inline constexpr std::size_t kIso83Limit = 12;
inline constexpr std::size_t kIso30Limit = 30;
inline constexpr std::size_t kJolietLimit = 62;

enum class LengthUnit : std::uint8_t { Bytes, Utf16Units };

// How long a name of a rule may be, and in what it is counted.
struct NameLength {
  std::size_t limit = 0;
  LengthUnit unit = LengthUnit::Bytes;
};
inline constexpr NameLength kJolietLength{kJolietLimit, LengthUnit::Utf16Units};

// The 8.3 rule: base of at most 8 and extension of at most 3 bytes after the
// last dot, upper-cased, every byte outside A-Z 0-9 _ replaced by '_'.
void MakeIso83Name(std::string& name);

// The 30-character rule: at most 30 bytes keeping the text from the last dot,
// upper-cased, every byte outside A-Z 0-9 _ (earlier dots included) replaced
// by '_'.
void MakeIso30Name(std::string& name);

// The Joliet rule: the characters Joliet forbids (* / : ; ? \ and control
// characters) replaced by '_', then at most 62 UTF-16 code units keeping the
// text from the last dot. Case and every other character are kept; the cut
// never splits a character.
void MakeJolietName(std::string& name);
// Only the replacement of the characters Joliet forbids, nothing cut: for a
// name an earlier session holds, which keeps its length.
void ReplaceJolietForbidden(std::string& name);

// Sibling order: byte by byte, a shorter prefix first, '_' after every other
// byte, otherwise the bytes compared as signed 8-bit values (so bytes of 80h
// and above sort before ASCII). Negative, zero or positive.
int CompareNames(std::string_view a, std::string_view b);

// Strict weak ordering for sorted containers, by CompareNames.
struct NameOrder {
  bool operator()(std::string_view a, std::string_view b) const { return CompareNames(a, b) < 0; }
};

// Renames an entry whose name equals a sibling's: the base (up to the first
// dot) followed by "_<counter>" and the extension (from the last dot), the
// base cut so that the whole stays within `length`. Cuts never split a
// character. When even an empty base does not make room, the extension is cut
// from its end.
void ResolveCollision(std::string& name, int counter, NameLength length);

}  // namespace brenmark::datadisc
