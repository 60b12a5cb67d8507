#include "datadisc/Utf16.h"

#include "bytes/ByteOrder.h"

namespace brenmark::datadisc {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Writes one character as one or two big-endian code units; returns the bytes used.
std::size_t WriteChar(char32_t codePoint, std::uint8_t* out) {
  auto put = [&out](char32_t unit) {
    bytes::WriteBe16(out, unit);
    out += 2;
  };
  if (codePoint < 0x10000) {
    put(codePoint);
    return 2;
  }
  const char32_t v = codePoint - 0x10000;
  put(0xD800 + (v >> 10));
  put(0xDC00 + (v & 0x3FF));
  return 4;
}

}  // namespace

DecodedChar DecodeUtf8(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return {lead, 1};

  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return {lead, 1};
  }
  if (pos + length > text.size()) return {lead, 1};
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(byte)) return {lead, 1};
    value = (value << 6) | (byte & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return {lead, 1};
  }
  return {value, length};
}

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
  if (maxBytes >= text.size()) return text.size();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t length = DecodeUtf8(text, pos).length;
    if (pos + length > maxBytes) break;
    pos += length;
  }
  return pos;
}

std::size_t Utf16Units(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const DecodedChar c = DecodeUtf8(text, pos);
    units += c.codePoint >= 0x10000 ? 2 : 1;
    pos += c.length;
  }
  return units;
}

std::size_t Utf16PrefixLength(std::string_view text, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const DecodedChar c = DecodeUtf8(text, pos);
    units += c.codePoint >= 0x10000 ? 2 : 1;
    if (units > maxUnits) break;
    pos += c.length;
  }
  return pos;
}

std::size_t WriteUtf16Be(std::string_view text, std::uint8_t* out) {
  std::size_t written = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const DecodedChar c = DecodeUtf8(text, pos);
    written += WriteChar(c.codePoint, out + written);
    pos += c.length;
  }
  return written;
}

std::string ToUtf16Be(std::string_view text, std::size_t maxUnits) {
  std::string result;
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    const DecodedChar c = DecodeUtf8(text, pos);
    const std::size_t needed = c.codePoint >= 0x10000 ? 2 : 1;
    if (units + needed > maxUnits) break;
    std::uint8_t bytes[4];
    const std::size_t written = WriteChar(c.codePoint, bytes);
    result.append(reinterpret_cast<const char*>(bytes), written);
    units += needed;
    pos += c.length;
  }
  return result;
}

std::string Utf8FromUtf16Be(const std::uint8_t* data, std::size_t length) {
  constexpr char32_t kReplacement = 0xFFFD;
  std::string text;
  text.reserve(length);
  const std::size_t units = length / 2;
  for (std::size_t i = 0; i < units; ++i) {
    char32_t codePoint = bytes::ReadBe16(data + 2 * i);
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < units) {
      const char32_t low = bytes::ReadBe16(data + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) codePoint = kReplacement;
    if (codePoint < 0x80) {
      text += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      text += static_cast<char>(0xC0 | (codePoint >> 6));
      text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
      text += static_cast<char>(0xE0 | (codePoint >> 12));
      text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      text += static_cast<char>(0xF0 | (codePoint >> 18));
      text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }
  return text;
}

}  // namespace brenmark::datadisc
