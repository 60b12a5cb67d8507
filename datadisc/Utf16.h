#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brenmark::datadisc {

// File names are UTF-8 byte strings. Joliet names are UTF-16 big-endian.
//
// Bytes that do not form a valid UTF-8 sequence (stray continuation bytes,
// truncated or overlong sequences, encoded surrogates, values above U+10FFFF)
// are each taken as one character: the Latin-1 character with the same value
// (U+0080 to U+00FF). The conversion is therefore total, deterministic and
// never yields unpaired surrogates.

// One decoded character: its code point and how many bytes it used.
struct DecodedChar {
  char32_t codePoint;
  std::size_t length;
};

// Decodes the character that starts at `pos` (pos < text.size()).
DecodedChar DecodeUtf8(std::string_view text, std::size_t pos);

// The largest length <= maxBytes that ends on a character boundary of `text`.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);

// Number of UTF-16 code units the text converts to.
std::size_t Utf16Units(std::string_view text);

// The largest byte length of a prefix of `text` that ends on a character
// boundary and converts to at most maxUnits UTF-16 code units (a character
// beyond U+FFFF takes two, and is never split).
std::size_t Utf16PrefixLength(std::string_view text, std::size_t maxUnits);

// Writes the text as UTF-16 big-endian to `out` (2 * Utf16Units(text) bytes)
// and returns the number of bytes written.
std::size_t WriteUtf16Be(std::string_view text, std::uint8_t* out);

// Converts the text to UTF-16 big-endian, keeping at most `maxUnits` code
// units and never splitting a surrogate pair.
std::string ToUtf16Be(std::string_view text, std::size_t maxUnits = SIZE_MAX);

// Converts UTF-16 big-endian bytes (an odd last byte is ignored) to UTF-8;
// a surrogate without its partner becomes U+FFFD.
std::string Utf8FromUtf16Be(const std::uint8_t* data, std::size_t length);

}  // namespace brenmark::datadisc
