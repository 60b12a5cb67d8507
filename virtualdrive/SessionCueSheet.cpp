#include "virtualdrive/SessionCueSheet.h"

#include <algorithm>
#include <limits>
#include <map>

#include "virtualdrive/DiscGeometry.h"

namespace brenmark::virtualdrive {
namespace {

constexpr std::size_t kEntryBytes = 8;
constexpr std::uint8_t kLeadOut = 0xAA;

bool IsKnownForm(std::uint8_t form) {
  switch (form & 0x3F) {
    case 0x00: case 0x01:               // audio; generated silence
    case 0x10: case 0x11: case 0x14:    // Mode 1: 2048, raw, generated
    case 0x20: case 0x21: case 0x24:    // Mode 2 XA: 2336, raw, generated
    case 0x30: case 0x31: case 0x34:    // Mode 2: 2336, raw, generated
      break;
    default: return false;
  }
  return (form & 0xC0) != 0x80;  // 40h packed R-W, C0h raw P-W; 80h is reserved
}

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }
bool IsUpperAlnum(std::uint8_t c) { return IsDigit(c) || (c >= 'A' && c <= 'Z'); }

// Country (2 letters or digits), owner (3), year (2 digits), serial (5 digits).
bool IsIsrc(const std::string& isrc) {
  if (isrc.size() != 12) return false;
  for (std::size_t at = 0; at < 12; ++at) {
    const auto c = static_cast<std::uint8_t>(isrc[at]);
    if (at < 5 ? !IsUpperAlnum(c) : !IsDigit(c)) return false;
  }
  return true;
}

class CueSheetReader {
 public:
  CueSheetReader(int firstTrack, std::int32_t firstPregap) : nextTrack_(firstTrack), firstPregap_(firstPregap) {}

  std::optional<SessionCueSheet> Read(const std::uint8_t* data, std::size_t length) {
    if (length == 0 || length % kEntryBytes != 0) return std::nullopt;
    const std::size_t count = length / kEntryBytes;
    for (std::size_t at = 0; at < count; ++at) {
      const std::uint8_t* entry = data + at * kEntryBytes;
      const std::uint8_t* next = at + 1 < count ? entry + kEntryBytes : nullptr;
      bool ok = false;
      switch (entry[0] & 0x0F) {
        case 1: ok = Position(entry, at + 1 == count); break;
        case 2: ok = next != nullptr && Catalog(entry, next); ++at; break;
        case 3: ok = next != nullptr && Isrc(entry, next); ++at; break;
        default: break;
      }
      if (!ok) return std::nullopt;
    }
    if (!sawLeadOut_ || !isrcs_.empty()) return std::nullopt;
    return std::move(sheet_);
  }

 private:
  bool Catalog(const std::uint8_t* first, const std::uint8_t* second) {
    if ((second[0] & 0x0F) != 2 || !sheet_.catalog.empty() || !sheet_.tracks.empty()) return false;
    std::string digits(first + 1, first + 8);
    digits.append(second + 1, second + 7);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return IsDigit(static_cast<std::uint8_t>(c)); })) {
      return false;
    }
    sheet_.catalog = digits;
    return true;
  }

  // Two entries of the track they come before: 6 characters in bytes 2-7 of each.
  bool Isrc(const std::uint8_t* first, const std::uint8_t* second) {
    if ((second[0] & 0x0F) != 3 || first[1] != second[1] || first[1] != nextTrack_) return false;
    std::string isrc(first + 2, first + 8);
    isrc.append(second + 2, second + 8);
    if (!IsIsrc(isrc) || isrcs_.count(first[1]) != 0) return false;
    isrcs_[first[1]] = isrc;
    return true;
  }

  bool Position(const std::uint8_t* entry, bool last) {
    const std::uint8_t number = entry[1];
    const std::uint8_t index = entry[2];
    const std::uint8_t form = entry[3];
    if (!IsKnownForm(form) || entry[6] >= 60 || entry[7] >= geometry::kFramesPerSecond) return false;
    const std::int32_t lba = (entry[5] * 60 + entry[6]) * geometry::kFramesPerSecond + entry[7] - geometry::kMsfOffset;
    if (!sawLeadIn_) {
      sawLeadIn_ = true;
      sheet_.leadInForm = form;
      CueSpan leadIn{0, 0, form, std::numeric_limits<std::int32_t>::min(), firstPregap_};
      sheet_.spans.push_back(leadIn);
      return number == 0 && index == 0 && leadIn.MainBytes() == 0;
    }
    if (number == kLeadOut) return LeadOut(index, lba, last);
    return TrackEntry(entry[0] >> 4, number, index, form, lba);
  }

  bool TrackEntry(std::uint8_t control, int number, int index, std::uint8_t form, std::int32_t lba) {
    const CueSpan span{number, index, form, lba, lba};
    const bool opensTrack = number == nextTrack_;
    if (opensTrack) {
      if (index > 1 || number > 99 || (!sheet_.tracks.empty() && lastIndex_ < 1)) return false;
      if (sheet_.tracks.empty() && lba != firstPregap_) return false;
      CueSheetTrack track;
      track.number = number;
      track.pregapStart = lba;
      track.start = lba;
      if (const auto isrc = isrcs_.find(number); isrc != isrcs_.end()) {
        track.isrc = isrc->second;
        isrcs_.erase(isrc);
      }
      sheet_.tracks.push_back(track);
      ++nextTrack_;
    } else if (sheet_.tracks.empty() || number != sheet_.tracks.back().number || index != lastIndex_ + 1) {
      return false;
    }
    CueSpan& previous = sheet_.spans.back();
    if (sheet_.spans.size() > 1 && lba < previous.from) return false;  // overlapping the entry before
    if (sheet_.spans.size() > 1) previous.to = lba;
    CueSheetTrack& track = sheet_.tracks.back();
    if (index >= 1) {
      // The track's own blocks come from the host, all of one kind, and
      // the control nibble says audio or data as that kind does.
      const bool data = span.Kind() != TrackKind::Audio;
      if (span.MainBytes() == 0 || ((control & 0x04) != 0) != data) return false;
      if (index > 1 && span.Kind() != track.kind) return false;
    }
    if (index == 1) {
      track.start = lba;
      track.kind = span.Kind();
    } else if (index > 1) {
      track.indexes.push_back(lba);
    }
    lastIndex_ = index;
    sheet_.spans.push_back(span);
    return true;
  }

  bool LeadOut(int index, std::int32_t lba, bool last) {
    if (index != 1 || !last || sheet_.tracks.empty() || lastIndex_ < 1) return false;
    if (lba <= sheet_.spans.back().from) return false;
    sheet_.spans.back().to = lba;
    sheet_.leadOutStart = lba;
    for (std::size_t at = 0; at < sheet_.tracks.size(); ++at) {
      CueSheetTrack& track = sheet_.tracks[at];
      track.end = at + 1 < sheet_.tracks.size() ? sheet_.tracks[at + 1].pregapStart : lba;
      if (track.end <= track.start) return false;
    }
    sawLeadOut_ = true;
    return true;
  }

  SessionCueSheet sheet_;
  std::map<int, std::string> isrcs_;  // read, waiting for their track
  int nextTrack_;
  std::int32_t firstPregap_;
  int lastIndex_ = -1;
  bool sawLeadIn_ = false;
  bool sawLeadOut_ = false;
};

}  // namespace

std::uint32_t CueSpan::MainBytes() const {
  switch (dataForm & 0x0F) {
    case 0x00: return (dataForm & 0x30) == 0 ? 2352 : (dataForm & 0x30) == 0x10 ? 2048 : 2336;
    case 0x01: return (dataForm & 0x30) == 0 ? 0 : 2352;
    default: return 0;
  }
}

TrackKind CueSpan::Kind() const {
  switch (dataForm & 0x30) {
    case 0x00: return TrackKind::Audio;
    case 0x10: return TrackKind::Mode1;
    default: return TrackKind::Mode2;
  }
}

const CueSpan& SessionCueSheet::SpanAt(std::int32_t lba) const {
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    if (lba >= span->from) return *span;
  }
  return spans.front();
}

std::optional<SessionCueSheet> ReadSessionCueSheet(const std::uint8_t* data, std::size_t length, int firstTrack,
                                                   std::int32_t firstPregap) {
  return CueSheetReader(firstTrack, firstPregap).Read(data, length);
}

}  // namespace brenmark::virtualdrive
