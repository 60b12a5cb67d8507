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

}  // namespace

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
