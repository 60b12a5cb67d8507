// Session at once on CD: SEND CUE SHEET announces the session, and the writes
// then run from the lead-in (when the host sends its sub-channel, CD-TEXT) or
// the first pregap up to the lead-out, each block in the data form its cue
// sheet entry names. The last block closes the session.
#include <algorithm>
#include <array>
#include <cstring>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {
namespace {

// The lead-in of a blank disc begins where its ATIP says: 97:26:66, an
// address counted back from 100 minutes.
constexpr std::int32_t kLeadInStart = geometry::kBlankLeadInFrame - 100 * geometry::kFramesPerMinute -
                                      geometry::kMsfOffset;
constexpr std::size_t kPackSymbols = 24;

// The raw sector of one block in the data form of `span`.
void EncodeBlock(const CueSpan& span, std::int32_t lba, const std::uint8_t* data, std::uint8_t* raw) {
  switch (span.dataForm & 0x3F) {
    case 0x10: EncodeMode1Sector(lba, data, raw); break;
    case 0x20: EncodeMode2Block(lba, data, raw); break;  // subheader and data; the drive adds EDC and parity
    case 0x30:
      WriteSyncAndHeader(lba, 2, raw);
      std::memcpy(raw + 16, data, kRawSectorSize - 16);
      break;
    default: std::memcpy(raw, data, kRawSectorSize); break;  // audio and raw sectors
  }
}

}  // namespace

VirtualRecorder::Outcome VirtualRecorder::SendCueSheet(Call& call) {
  const std::uint32_t length = bytes::ReadBe24(call.cdb + 6);
  const DiscState& state = CurrentState();
  if (!IsCdMedium(state.kind) || !IsRecordable(state.kind)) return Refuse(sense::kIncompatibleMedium);
  if (writeParameters_.writeType() != 2 || state.OpenTrack() != nullptr) return Refuse(sense::kCommandSequenceError);
  const auto next = state.Invisible();
  if (!next) return Refuse(sense::kInvalidAddressForWrite);
  if (length == 0 || !call.hasDataOut() || call.request.length < length) return Refuse(sense::kInvalidFieldInCdb);
  auto sheet = ReadSessionCueSheet(call.request.buffer, length, next->number, next->start - geometry::kPregapBlocks);
  if (!sheet || sheet->leadOutStart > state.Capacity()) return Refuse(sense::kInvalidFieldInParameterList);
  call.dataInBytes = length;
  sessionAtOnce_ = SessionInWriting{std::move(*sheet), std::nullopt, state.tracks.size(), next->session, {}};
  return {};
}

// The first block the host sends at or after `lba`: blocks the drive makes
// itself (generated pregaps) are recorded on the way.
std::optional<std::int32_t> VirtualRecorder::PassGeneratedBlocks(std::int32_t lba) {
  const SessionCueSheet& sheet = sessionAtOnce_->sheet;
  while (lba < sheet.leadOutStart) {
    const CueSpan& span = sheet.SpanAt(lba);
    if (span.HostBytes() != 0) break;
    if (!simulation_ && span.to > 0 && !disc_->WriteFill({span.Kind(), std::max(lba, 0), span.to})) return std::nullopt;
    lba = span.to;
  }
  return lba;
}

VirtualRecorder::Outcome VirtualRecorder::WriteSessionAtOnce(Call& call) {
  if (!sessionAtOnce_) return Refuse(sense::kIllegalModeForThisTrack);  // no cue sheet
  SessionInWriting& session = *sessionAtOnce_;
  const SessionCueSheet& sheet = session.sheet;
  const std::int32_t lba = call.lba;
  if (call.blocks == 0) return {};
  if (call.blocks > 0x7FFFFFFF || static_cast<std::int64_t>(lba) + call.blocks > sheet.leadOutStart) {
    return Refuse(sense::kLbaOutOfRange);
  }
  const auto count = static_cast<std::int32_t>(call.blocks);
  const std::int32_t firstPregap = sheet.spans.front().to;
  DiscState& state = StateForWriting();
  if (!simulation_) {
    std::string error;
    if (!disc_->PrepareForWriting(error)) {
      NoteWriteProblem(error);
      return Refuse(sense::kWriteError);
    }
  }
  if (!session.next) {
    // The first write: in the lead-in when the host sends its sub-channel,
    // else at the first block of the session the host sends. A later
    // session lies behind the lead-out and lead-in that follow the last one.
    if (!simulation_ && !state.tracks.empty()) {
      const DiscTrack& last = state.tracks.back();
      if (!disc_->WriteFill({last.kind, last.ExtentEnd(), std::max(firstPregap, last.ExtentEnd())})) {
        return FileFailure();
      }
    }
    const bool inLeadIn = sheet.LeadInTakesSubChannel() && lba >= kLeadInStart && lba < firstPregap;
    session.next = inLeadIn ? std::optional<std::int32_t>(lba) : PassGeneratedBlocks(firstPregap);
    if (!session.next) return FileFailure();
  }
  if (lba != *session.next) return Refuse(sense::kInvalidAddressForWrite);
  // Every block the host sends carries at least its 96 bytes of sub-channel
  // or more of main data: a transfer shorter than that is refused unread.
  const std::uint64_t sent = call.request.direction == DataDirection::Out ? call.request.length : 0;
  if (sent < static_cast<std::uint64_t>(count) * 96) return Refuse(sense::kInvalidFieldInCdb);
  std::uint64_t needed = 0;
  for (std::int32_t address = lba; address < lba + count; ++address) {
    const std::uint32_t bytes = sheet.SpanAt(address).HostBytes();
    if (bytes == 0) return Refuse(sense::kInvalidAddressForWrite);  // a block the drive makes
    needed += bytes;
  }
  if (sent < needed) return Refuse(sense::kInvalidFieldInCdb);
  call.dataInBytes = static_cast<std::uint32_t>(needed);

  const std::uint8_t* data = call.request.buffer;
  const std::int32_t firstStored = std::max(lba, 0);
  if (!simulation_ && lba + count > 0) scratch_.resize(static_cast<std::size_t>(lba + count - firstStored) * kRawSectorSize);
  for (std::int32_t address = lba; address < lba + count; ++address) {
    const CueSpan& span = sheet.SpanAt(address);
    if (address < firstPregap) {
      for (std::size_t at = 0; at < 96; at += kPackSymbols) {
        const cdtext::Pack pack = cdtext::FromRwSymbols(data + span.MainBytes() + at);
        if (cdtext::HasValidCrc(pack)) session.packs.try_emplace(pack[2], pack);
      }
    } else if (address >= 0 && !simulation_) {
      EncodeBlock(span, address, data, scratch_.data() + static_cast<std::size_t>(address - firstStored) * kRawSectorSize);
    }
    data += span.HostBytes();
  }
  if (!simulation_ && lba + count > 0 && !disc_->WriteBlocks(firstStored, lba + count - firstStored, scratch_.data())) {
    return FileFailure();
  }
  session.next = PassGeneratedBlocks(lba + count);
  if (!session.next) return FileFailure();
  const std::size_t tracksBefore = state.tracks.size();
  const bool finished = RecordSessionProgress(state);
  if ((finished || state.tracks.size() != tracksBefore) && !SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

// Puts the tracks the writes have reached into the disc's state; once the
// lead-out is reached, closes the session with its catalogue number and
// CD-TEXT. True when the session was closed.
bool VirtualRecorder::RecordSessionProgress(DiscState& state) {
  const SessionInWriting& session = *sessionAtOnce_;
  const std::int32_t next = *session.next;
  state.tracks.resize(session.tracksBefore);
  for (const CueSheetTrack& planned : session.sheet.tracks) {
    if (planned.pregapStart >= next) break;
    DiscTrack track;
    track.number = planned.number;
    track.session = session.sessionNumber;
    track.kind = planned.kind;
    track.pregapStart = std::max(planned.pregapStart, 0);
    track.start = planned.start;
    track.end = std::clamp(next, planned.start, planned.end);
    track.closed = next >= planned.end;
    for (const std::int32_t index : planned.indexes) {
      if (index < track.end) track.indexes.push_back(index);
    }
    track.isrc = planned.isrc;
    state.tracks.push_back(track);
  }
  if (next < session.sheet.leadOutStart) return false;
  DiscSession closed;
  closed.number = session.sessionNumber;
  closed.leadOutStart = session.sheet.leadOutStart;
  closed.nextSessionAllowed = writeParameters_.multiSessionField() == 3;
  closed.format = writeParameters_.sessionFormat();
  state.sessions.push_back(closed);
  state.finalized = !closed.nextSessionAllowed;
  if (!session.sheet.catalog.empty()) state.catalog = session.sheet.catalog;
  if (!session.packs.empty()) {
    state.cdText.clear();
    for (const auto& [sequence, pack] : session.packs) state.cdText.push_back(pack);
  }
  sessionAtOnce_.reset();
  return true;
}

}  // namespace brenmark::virtualdrive
