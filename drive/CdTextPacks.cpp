#include "drive/CdTextPacks.h"

#include <algorithm>
#include <map>

namespace brenmark::cdtext {
namespace {

constexpr std::size_t kTextBytes = 12;
constexpr std::size_t kMostPacks = 253;  // sequence numbers 0-255, less room to spare
constexpr std::size_t kSizeInfoPacks = 3;
constexpr std::uint8_t kEnglish = 0x09;

bool IsTextType(std::uint8_t type) { return (type >= 0x80 && type <= 0x87) || type == 0x8E; }

void SealPack(Pack& pack) {
  const std::uint16_t crc = Crc(pack);
  pack[16] = static_cast<std::uint8_t>(crc >> 8);
  pack[17] = static_cast<std::uint8_t>(crc);
}

// The packs of one pack type: the texts of tracks 0..lastTrack one after the
// other, each ended by NUL, cut into 12-byte pieces.
void AppendTypePacks(std::uint8_t type, const std::vector<std::string>& texts, std::vector<Pack>& packs) {
  std::string stream;
  std::vector<int> owner;     // the track of each byte
  std::vector<int> position;  // the byte's place within its track's text
  for (std::size_t track = 0; track < texts.size(); ++track) {
    const std::string withEnd = texts[track] + '\0';
    for (std::size_t at = 0; at < withEnd.size(); ++at) {
      stream += withEnd[at];
      owner.push_back(static_cast<int>(track));
      position.push_back(static_cast<int>(at));
    }
  }
  for (std::size_t from = 0; from < stream.size(); from += kTextBytes) {
    Pack pack{};
    pack[0] = type;
    pack[1] = static_cast<std::uint8_t>(owner[from]);
    pack[3] = static_cast<std::uint8_t>(std::min(position[from], 15));
    const std::size_t count = std::min(kTextBytes, stream.size() - from);
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(from), count, pack.begin() + 4);
    packs.push_back(pack);
  }
}

}  // namespace

std::uint16_t Crc(const Pack& pack) {
  std::uint16_t crc = 0;
  for (std::size_t index = 0; index < 16; ++index) {
    crc = static_cast<std::uint16_t>(crc ^ pack[index] << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? crc << 1 ^ 0x1021 : crc << 1);
    }
  }
  return static_cast<std::uint16_t>(~crc);
}

bool HasValidCrc(const Pack& pack) {
  const std::uint16_t crc = Crc(pack);
  return pack[16] == static_cast<std::uint8_t>(crc >> 8) && pack[17] == static_cast<std::uint8_t>(crc);
}

std::vector<Pack> Encode(const std::vector<Entry>& entries) {
  int lastTrack = 0;
  std::map<std::uint8_t, std::map<int, std::string>> byType;
  for (const Entry& entry : entries) {
    if (!IsTextType(entry.packType) || entry.track < 0 || entry.track > 99) continue;
    byType[entry.packType][entry.track] = entry.text.substr(0, entry.text.find('\0'));
    lastTrack = std::max(lastTrack, entry.track);
  }
  if (byType.empty()) return {};
  std::vector<Pack> packs;
  for (const auto& [type, texts] : byType) {
    std::vector<std::string> perTrack(static_cast<std::size_t>(lastTrack) + 1);
    for (const auto& [track, text] : texts) perTrack[static_cast<std::size_t>(track)] = text;
    AppendTypePacks(type, perTrack, packs);
  }
  if (packs.size() > kMostPacks - kSizeInfoPacks) packs.resize(kMostPacks - kSizeInfoPacks);
  std::array<std::uint8_t, 36> sizeInfo{};
  sizeInfo[1] = 1;
  sizeInfo[2] = static_cast<std::uint8_t>(std::max(lastTrack, 1));
  for (const Pack& pack : packs) ++sizeInfo[4 + (pack[0] & 0x0F)];
  sizeInfo[4 + 0x0F] = kSizeInfoPacks;
  sizeInfo[20] = static_cast<std::uint8_t>(packs.size() + kSizeInfoPacks - 1);
  sizeInfo[28] = kEnglish;
  for (std::size_t index = 0; index < kSizeInfoPacks; ++index) {
    Pack pack{};
    pack[0] = kSizeInfo;
    pack[1] = static_cast<std::uint8_t>(index);
    std::copy_n(sizeInfo.begin() + static_cast<std::ptrdiff_t>(index * kTextBytes), kTextBytes, pack.begin() + 4);
    packs.push_back(pack);
  }
  for (std::size_t index = 0; index < packs.size(); ++index) {
    packs[index][2] = static_cast<std::uint8_t>(index);
    SealPack(packs[index]);
  }
  return packs;
}

std::vector<Entry> Decode(const std::vector<Pack>& packs) {
  std::vector<Entry> entries;
  std::map<std::uint8_t, std::pair<int, std::string>> streams;  // first track, text bytes
  std::vector<std::uint8_t> order;
  for (const Pack& pack : packs) {
    const bool firstBlock = (pack[3] & 0x70) == 0;
    if (!HasValidCrc(pack) || !firstBlock || !IsTextType(pack[0])) continue;
    auto [stream, added] = streams.try_emplace(pack[0], pack[1], std::string());
    if (added) order.push_back(pack[0]);
    stream->second.second.append(pack.begin() + 4, pack.begin() + 4 + kTextBytes);
  }
  for (const std::uint8_t type : order) {
    const auto& [firstTrack, bytes] = streams[type];
    int track = firstTrack;
    std::string previous;
    for (std::size_t from = 0; from < bytes.size() && track <= 99;) {
      const std::size_t end = bytes.find('\0', from);
      if (end == std::string::npos) break;  // a text cut off: not whole, not told
      std::string text = bytes.substr(from, end - from);
      if (text == "\t") text = previous;  // a tab repeats the text of the track before
      if (!text.empty()) entries.push_back({type, track, text});
      previous = std::move(text);
      from = end + 1;
      ++track;
      // The padding after the last text of a type is all NUL.
      if (bytes.find_first_not_of('\0', from) == std::string::npos) break;
    }
  }
  return entries;
}

std::array<std::uint8_t, 24> ToRwSymbols(const Pack& pack) {
  std::array<std::uint8_t, 24> symbols{};
  for (std::size_t index = 0; index < 24; ++index) {
    std::uint8_t value = 0;
    for (std::size_t bit = 0; bit < 6; ++bit) {
      const std::size_t at = index * 6 + bit;
      value = static_cast<std::uint8_t>(value << 1 | (pack[at / 8] >> (7 - at % 8) & 1));
    }
    symbols[index] = value;
  }
  return symbols;
}

Pack FromRwSymbols(const std::uint8_t* symbols24) {
  Pack pack{};
  for (std::size_t at = 0; at < 144; ++at) {
    const int bit = symbols24[at / 6] >> (5 - at % 6) & 1;
    pack[at / 8] = static_cast<std::uint8_t>(pack[at / 8] | bit << (7 - at % 8));
  }
  return pack;
}

}  // namespace brenmark::cdtext
