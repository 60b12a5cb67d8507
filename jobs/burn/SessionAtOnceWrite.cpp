#include "jobs/burn/SessionAtOnceWrite.h"

#include "jobs/burn/SessionAtOnceSources.h"

namespace brenmark {
namespace {

constexpr int kTrackModeAudio = 0;
constexpr int kTrackModeData = 4;
constexpr int kBlockTypeRaw = 0;
constexpr int kBlockTypeMode1 = 8;
// A blank disc that does not tell where its lead-in starts gets the lead-in
// of an 80-minute disc (97:26:66).
constexpr std::int32_t kDefaultLeadInStart = -11634;

std::string Latin1FromUtf8(const std::string& text) {
  std::string latin;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    bool sequence = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; sequence && k < length; ++k) sequence = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (!sequence) {
      latin.push_back(static_cast<char>(lead));
      continue;
    }
    latin.push_back(length == 2 && lead <= 0xC3
                        ? static_cast<char>((lead & 0x1F) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3F))
                        : '?');
    i += length - 1;
  }
  return latin;
}

}  // namespace

std::vector<cdtext::Pack> EncodeCdText(std::vector<cdtext::Entry> entries) {
  for (cdtext::Entry& entry : entries) entry.text = Latin1FromUtf8(entry.text);
  return cdtext::Encode(entries);
}

SessionWriteEnd SessionAtOnceWrite::Prepare(const SessionAtOncePlan& plan) {
  WriteMode mode;
  mode.writeType = WriteType::SessionAtOnce;
  mode.dataBlockType = plan.audio ? kBlockTypeRaw : kBlockTypeMode1;
  mode.trackMode = plan.audio ? kTrackModeAudio : kTrackModeData;
  mode.multiSessionBits = 0;
  if (!burn_.SetWriteMode(mode)) return SessionWriteEnd::WriteModeRefused;
  const std::vector<std::uint8_t> sheet = cdcue::BuildCueSheet(plan.cue);
  if (!burn_.SendCueSheet(sheet)) return SessionWriteEnd::CueSheetRefused;
  return SessionWriteEnd::Written;
}

bool SessionAtOnceWrite::WriteLeadIn(const SessionAtOncePlan& plan) {
  if (plan.cdText.empty()) return true;
  const DriveResult<DiscSummary> disc = burn_.handle().ReadDiscSummary();
  std::int32_t start = disc ? disc->leadInStart : kDefaultLeadInStart;
  if (start >= cdcue::kFirstPregapStart) start = kDefaultLeadInStart;
  CdTextLeadInSource leadIn(plan.cdText, start, buffer_);
  return burn_.Write(leadIn) == WriteEnd::Written;
}

}  // namespace brenmark
