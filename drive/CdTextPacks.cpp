#include "drive/CdTextPacks.h"

#include <algorithm>
#include <utility>

namespace brenmark::cdtext {
namespace {

constexpr std::uint8_t kTitle = 0x80;
constexpr std::uint8_t kPerformer = 0x81;
constexpr std::uint8_t kSongwriter = 0x82;
constexpr std::uint8_t kSizeInfo = 0x8F;
constexpr std::size_t kTextBytes = 12;
constexpr std::size_t kSizeInfoPacks = 3;
constexpr std::uint8_t kCharsetLatin1 = 0x00;
constexpr std::uint8_t kLanguageEnglish = 0x09;
// The character position field counts at most this many characters.
constexpr std::size_t kMaxCharacterPosition = 15;

// UTF-8 to ISO 8859-1; a character it lacks becomes '?', a NUL is dropped.
std::string ToLatin1(const std::string& utf8) {
  std::string latin;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x06 ? 2 : (byte >> 4) == 0x0E ? 3 : (byte >> 3) == 0x1E ? 4 : 1;
    if (i + length > utf8.size()) length = 1;
    if (length == 1) {
      if (byte != 0) latin.push_back(byte < 0x80 ? static_cast<char>(byte) : '?');
    } else {
      const unsigned code = length == 2 ? ((byte & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu)) : 0x100;
      latin.push_back(code < 0x100 ? static_cast<char>(code) : '?');
    }
    i += length;
  }
  return latin;
}

class PackWriter {
 public:
  // The texts of one pack type, disc first, each ended by a NUL, cut into packs.
  void AddType(std::uint8_t type, const std::vector<std::string>& texts, int firstTrack) {
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& text) { return text.empty(); })) return;
    std::vector<std::uint8_t> stream;
    std::vector<std::pair<int, std::size_t>> owner;  // per byte: its track and its position in its text
    for (std::size_t t = 0; t < texts.size(); ++t) {
      const std::string text = ToLatin1(texts[t]);
      const int track = t == 0 ? 0 : firstTrack + static_cast<int>(t) - 1;
      for (std::size_t c = 0; c <= text.size(); ++c) {
        stream.push_back(c < text.size() ? static_cast<std::uint8_t>(text[c]) : 0);
        owner.emplace_back(track, c);
      }
    }
    for (std::size_t at = 0; at < stream.size(); at += kTextBytes) {
      Pack pack{};
      pack[0] = type;
      pack[1] = static_cast<std::uint8_t>(owner[at].first);
      pack[3] = static_cast<std::uint8_t>(std::min(owner[at].second, kMaxCharacterPosition));
      for (std::size_t i = 0; i < kTextBytes && at + i < stream.size(); ++i) pack[4 + i] = stream[at + i];
      Add(pack);
      ++counts_[type & 0x0F];
    }
  }

  void AddSizeInfo(int firstTrack, int lastTrack) {
    counts_[kSizeInfo & 0x0F] = kSizeInfoPacks;
    const std::size_t lastSequence = packs_.size() + kSizeInfoPacks - 1;
    std::array<std::uint8_t, kSizeInfoPacks * kTextBytes> info{};
    info[0] = kCharsetLatin1;
    info[1] = static_cast<std::uint8_t>(firstTrack);
    info[2] = static_cast<std::uint8_t>(lastTrack);
    for (std::size_t type = 0; type < counts_.size(); ++type) info[4 + type] = static_cast<std::uint8_t>(counts_[type]);
    info[20] = static_cast<std::uint8_t>(lastSequence);
    info[28] = kLanguageEnglish;
    for (std::size_t p = 0; p < kSizeInfoPacks; ++p) {
      Pack pack{};
      pack[0] = kSizeInfo;
      pack[1] = static_cast<std::uint8_t>(p);
      for (std::size_t i = 0; i < kTextBytes; ++i) pack[4 + i] = info[p * kTextBytes + i];
      Add(pack);
    }
  }

  std::vector<Pack>& packs() { return packs_; }

 private:
  void Add(Pack& pack) {
    pack[2] = static_cast<std::uint8_t>(packs_.size());
    const std::uint16_t crc = PackCrc(pack);
    pack[16] = static_cast<std::uint8_t>(crc >> 8);
    pack[17] = static_cast<std::uint8_t>(crc & 0xFF);
    packs_.push_back(pack);
  }

  std::vector<Pack> packs_;
  std::array<std::size_t, 16> counts_{};
};

}  // namespace

bool DiscTexts::Any() const {
  const auto any = [](const TrackTexts& texts) {
    return !texts.title.empty() || !texts.performer.empty() || !texts.songwriter.empty();
  };
  return any(disc) || std::any_of(tracks.begin(), tracks.end(), any);
}

std::uint16_t PackCrc(const Pack& pack) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < 16; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (pack[i] << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
  }
  return static_cast<std::uint16_t>(~crc);
}

std::optional<std::vector<Pack>> EncodePacks(const DiscTexts& texts) {
  std::vector<std::string> titles{texts.disc.title};
  std::vector<std::string> performers{texts.disc.performer};
  std::vector<std::string> songwriters{texts.disc.songwriter};
  for (const TrackTexts& track : texts.tracks) {
    titles.push_back(track.title);
    performers.push_back(track.performer);
    songwriters.push_back(track.songwriter);
  }
  const int lastTrack = texts.firstTrack + static_cast<int>(texts.tracks.size()) - 1;
  PackWriter writer;
  writer.AddType(kTitle, titles, texts.firstTrack);
  writer.AddType(kPerformer, performers, texts.firstTrack);
  writer.AddType(kSongwriter, songwriters, texts.firstTrack);
  // The sequence numbers and the size information count in one byte.
  if (writer.packs().size() + kSizeInfoPacks > kMaxPacks) return std::nullopt;
  writer.AddSizeInfo(texts.firstTrack, lastTrack);
  return std::move(writer.packs());
}

std::array<std::uint8_t, 96> LeadInBlock(const std::vector<Pack>& packs, std::size_t first) {
  std::array<std::uint8_t, 96> block{};
  if (packs.empty()) return block;
  for (std::size_t p = 0; p < 4; ++p) {
    const Pack& pack = packs[(first + p) % packs.size()];
    // 18 bytes are 144 bits, read six at a time from the first byte's high bit.
    for (std::size_t symbol = 0; symbol < 24; ++symbol) {
      std::uint8_t value = 0;
      for (std::size_t bit = 0; bit < 6; ++bit) {
        const std::size_t at = symbol * 6 + bit;
        value = static_cast<std::uint8_t>(value << 1 | ((pack[at / 8] >> (7 - at % 8)) & 1));
      }
      block[p * 24 + symbol] = value;
    }
  }
  return block;
}

}  // namespace brenmark::cdtext
