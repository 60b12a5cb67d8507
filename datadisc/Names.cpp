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

// Cuts a name to `limit` bytes keeping the text from its last dot. Without a
// dot, or when that text alone would not leave room for any of the rest, the
// name's first bytes are kept. `boundary` keeps UTF-8 characters whole.
void CutKeepingExtension(std::string& name, std::size_t limit, bool boundary) {
  if (name.size() <= limit) return;
  auto prefix = [&](std::string_view text, std::size_t bytes) {
    return boundary ? Utf8PrefixLength(text, bytes) : bytes;
  };
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || name.size() - dot >= limit) {
    name.resize(prefix(name, limit));
    return;
  }
  const std::size_t extensionLength = name.size() - dot;
  const std::size_t baseLength = prefix(name, limit - extensionLength);
  name.erase(baseLength, dot - baseLength);
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
  CutKeepingExtension(name, kIso30Limit, false);
  MakeDCharacters(name, 0, name.rfind('.'));
}

void MakeJolietName(std::string& name) { CutKeepingExtension(name, kJolietLimit, true); }

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

void ResolveCollision(std::string& name, int counter, std::size_t limit) {
  const std::size_t firstDot = name.find('.');
  const std::size_t lastDot = name.rfind('.');
  std::string base = name.substr(0, firstDot);
  std::string extension = lastDot == std::string::npos ? std::string() : name.substr(lastDot);
  std::string suffix = std::to_string(counter);
  suffix.insert(suffix.begin(), '_');

  if (base.size() + suffix.size() + extension.size() > limit) {
    if (suffix.size() + extension.size() <= limit) {
      base.resize(Utf8PrefixLength(base, limit - suffix.size() - extension.size()));
    } else {
      base.clear();
      const std::size_t room = limit > suffix.size() ? limit - suffix.size() : 0;
      extension.resize(Utf8PrefixLength(extension, room));
    }
  }
  name = std::move(base);
  name.append(suffix).append(extension);
}

}  // namespace brenmark::datadisc
