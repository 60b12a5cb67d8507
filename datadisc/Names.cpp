#include "datadisc/Names.h"

#include <array>
#include <cstdint>
#include <utility>

#include "datadisc/Utf16.h"

namespace brenmark::datadisc {
namespace {

bool IsDChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

char UpperCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

void MakeDCharacters(std::string& text, std::size_t from, std::size_t keepDotAt) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (i == keepDotAt) continue;
    text[i] = UpperCase(text[i]);
    if (!IsDChar(text[i])) text[i] = '_';
  }
}

// How long `text` is, and the longest prefix within `limit`, counted in `unit`;
// prefixes end on a character boundary.
std::size_t LengthOf(std::string_view text, LengthUnit unit) {
  return unit == LengthUnit::Bytes ? text.size() : Utf16Units(text);
}

std::size_t PrefixWithin(std::string_view text, std::size_t limit, LengthUnit unit) {
  return unit == LengthUnit::Bytes ? Utf8PrefixLength(text, limit) : Utf16PrefixLength(text, limit);
}

// Cuts a name to its length limit keeping the text from its last dot. Without
// a dot, or when that text alone would not leave room for any of the rest, the
// name's start is kept. `prefix` gives the longest prefix of a text within a
// limit.
template <typename Prefix>
void CutKeepingExtension(std::string& name, std::size_t limit, LengthUnit unit, Prefix prefix) {
  if (LengthOf(name, unit) <= limit) return;
  const std::size_t dot = name.rfind('.');
  const std::size_t extensionLength = dot == std::string::npos ? 0 : LengthOf(std::string_view(name).substr(dot), unit);
  if (dot == std::string::npos || extensionLength >= limit) {
    name.resize(prefix(name, limit));
    return;
  }
  const std::size_t baseLength = prefix(std::string_view(name).substr(0, dot), limit - extensionLength);
  name.erase(baseLength, dot - baseLength);
}

// Characters a Joliet name may not hold.
bool IsJolietForbidden(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == '*' || c == '/' || c == ':' || c == ';' || c == '?' ||
         c == '\\';
}

// Rank of a byte in the sibling order: signed value, with '_' above all.
constexpr std::array<int, 256> MakeRanks() {
  std::array<int, 256> ranks{};
  for (int b = 0; b < 256; ++b) ranks[static_cast<std::size_t>(b)] = b < 128 ? b : b - 256;
  ranks['_'] = 128;
  return ranks;
}
constexpr std::array<int, 256> kRanks = MakeRanks();

}  // namespace

void MakeIso83Name(std::string& name) {
  const std::size_t dot = name.rfind('.');
  std::string base = name.substr(0, dot);
  std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  if (base.size() > 8) base.resize(8);
  if (extension.size() > 4) extension.resize(4);
  MakeDCharacters(base, 0, std::string::npos);
  MakeDCharacters(extension, 1, std::string::npos);
  name = base + extension;
}

void MakeIso30Name(std::string& name) {
  // Every byte becomes one character of the ISO name, so the cut counts bytes
  // and may fall inside a UTF-8 sequence.
  CutKeepingExtension(name, kIso30Limit, LengthUnit::Bytes,
                      [](std::string_view, std::size_t limit) { return limit; });
  MakeDCharacters(name, 0, name.rfind('.'));
}

void ReplaceJolietForbidden(std::string& name) {
  for (char& c : name) {
    if (IsJolietForbidden(c)) c = '_';
  }
}

void MakeJolietName(std::string& name) {
  ReplaceJolietForbidden(name);
  CutKeepingExtension(name, kJolietLength.limit, kJolietLength.unit, [](std::string_view text, std::size_t limit) {
    return PrefixWithin(text, limit, kJolietLength.unit);
  });
}

int CompareNames(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      return kRanks[static_cast<std::uint8_t>(a[i])] - kRanks[static_cast<std::uint8_t>(b[i])];
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

void ResolveCollision(std::string& name, int counter, NameLength length) {
  const std::size_t limit = length.limit;
  const std::size_t firstDot = name.find('.');
  const std::size_t lastDot = name.rfind('.');
  std::string base = name.substr(0, firstDot);
  std::string extension = lastDot == std::string::npos ? std::string() : name.substr(lastDot);
  std::string suffix = std::to_string(counter);
  suffix.insert(suffix.begin(), '_');

  // The suffix is ASCII: as long in bytes as in code units.
  const std::size_t extensionLength = LengthOf(extension, length.unit);
  if (LengthOf(base, length.unit) + suffix.size() + extensionLength > limit) {
    if (suffix.size() + extensionLength <= limit) {
      base.resize(PrefixWithin(base, limit - suffix.size() - extensionLength, length.unit));
    } else {
      base.clear();
      const std::size_t room = limit > suffix.size() ? limit - suffix.size() : 0;
      extension.resize(PrefixWithin(extension, room, length.unit));
    }
  }
  name = std::move(base);
  name.append(suffix).append(extension);
}

}  // namespace brenmark::datadisc
