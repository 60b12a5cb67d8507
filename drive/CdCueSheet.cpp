#include "drive/CdCueSheet.h"

#include <array>

namespace brenmark::cdcue {
namespace {

constexpr std::uint8_t kAdrPosition = 0x01;
constexpr std::uint8_t kAdrCatalog = 0x02;
constexpr std::uint8_t kAdrIsrc = 0x03;
constexpr std::uint8_t kLeadOutTrack = 0xAA;
constexpr std::int32_t kFramesPerSecond = 75;
constexpr std::int32_t kFramesPerMinute = 60 * kFramesPerSecond;

using Entry = std::array<std::uint8_t, 8>;

std::uint8_t Control(const CueTrack& track) {
  return static_cast<std::uint8_t>((track.fourChannel ? 0x8 : 0) | (track.data ? 0x4 : 0) |
                                   (track.copyPermitted ? 0x2 : 0) | (track.preEmphasis ? 0x1 : 0));
}

Entry Position(std::uint8_t control, int track, int index, DataForm form, std::int32_t lba) {
  const std::int32_t frames = lba - kFirstPregapStart;
  return Entry{static_cast<std::uint8_t>(control << 4 | kAdrPosition),
               static_cast<std::uint8_t>(track),
               static_cast<std::uint8_t>(index),
               static_cast<std::uint8_t>(form),
               0,
               static_cast<std::uint8_t>(frames / kFramesPerMinute),
               static_cast<std::uint8_t>(frames / kFramesPerSecond % 60),
               static_cast<std::uint8_t>(frames % kFramesPerSecond)};
}

// The form the drive generates before and after a track of this kind.
DataForm GeneratedForm(const CueTrack& track) {
  if (!track.data) return DataForm::AudioGenerated;
  const DataForm start = track.indexes.empty() ? DataForm::Mode1 : track.indexes.back().form;
  return start == DataForm::Mode2 || start == DataForm::Mode2Raw ? DataForm::Mode2Generated
                                                                 : DataForm::Mode1Generated;
}

void Append(std::vector<std::uint8_t>& sheet, const Entry& entry) { sheet.insert(sheet.end(), entry.begin(), entry.end()); }

}  // namespace

int BlockSize(DataForm form) {
  switch (form) {
    case DataForm::Audio:
    case DataForm::Mode1Raw:
    case DataForm::Mode2Raw:
      return 2352;
    case DataForm::Mode1: return 2048;
    case DataForm::Mode2: return 2336;
    case DataForm::LeadInCdText: return kLeadInBlockSize;
    case DataForm::AudioGenerated:
    case DataForm::Mode1Generated:
    case DataForm::Mode2Generated:
      break;
  }
  return 0;
}

std::vector<std::uint8_t> BuildCueSheet(const SessionCue& cue) {
  std::vector<std::uint8_t> sheet;
  // Room for the catalog, lead-in, lead-out and a few entries a track; reserving it up front
  // also keeps GCC's -O3 from warning about an insert into the empty vector.
  sheet.reserve(sizeof(Entry) * (4 + 6 * cue.tracks.size()));
  if (cue.catalog.size() == 13) {
    Entry first{kAdrCatalog};
    Entry second{kAdrCatalog};
    for (int i = 0; i < 7; ++i) first[1 + i] = static_cast<std::uint8_t>(cue.catalog[i]);
    for (int i = 0; i < 6; ++i) second[1 + i] = static_cast<std::uint8_t>(cue.catalog[7 + i]);
    Append(sheet, first);
    Append(sheet, second);
  }
  if (cue.tracks.empty()) return sheet;
  const CueTrack& first = cue.tracks.front();
  const DataForm leadIn = cue.cdText ? DataForm::LeadInCdText : GeneratedForm(first);
  Append(sheet, Position(Control(first), 0, 0, leadIn, kFirstPregapStart));
  for (const CueTrack& track : cue.tracks) {
    const std::uint8_t control = Control(track);
    if (track.isrc.size() == 12) {
      for (int half = 0; half < 2; ++half) {
        Entry entry{static_cast<std::uint8_t>(control << 4 | kAdrIsrc), static_cast<std::uint8_t>(track.number)};
        for (int i = 0; i < 6; ++i) entry[2 + i] = static_cast<std::uint8_t>(track.isrc[half * 6 + i]);
        Append(sheet, entry);
      }
    }
    for (const CueIndex& index : track.indexes) {
      Append(sheet, Position(control, track.number, index.number, index.form, index.lba));
    }
  }
  const CueTrack& last = cue.tracks.back();
  Append(sheet, Position(Control(last), kLeadOutTrack, 1, GeneratedForm(last), cue.leadOut));
  return sheet;
}

}  // namespace brenmark::cdcue
