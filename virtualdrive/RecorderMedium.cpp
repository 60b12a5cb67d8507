// The disc as the host is told of it: removal prevented and allowed, changes
// of the disc reported, and the head's position.
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DeviceResponses.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

VirtualRecorder::Outcome VirtualRecorder::PreventAllowRemoval(Call& call) {
  if ((call.cdb[4] & 0x02) != 0) return Refuse(sense::kInvalidFieldInCdb);  // persistent prevent
  removalPrevented_ = (call.cdb[4] & 0x01) != 0;
  return {};
}

TrayResult VirtualRecorder::SwapDisc(std::optional<DiscImage> next, const TrayRecord& record, bool byHost) {
  if (removalPrevented_) return {false, kLockedMessage, {}};
  const bool discBefore = disc_.has_value();
  TrayResult result = Replace(std::move(next), record);
  if (result.ok) mediaChanges_.TrayChanged(discBefore, disc_.has_value(), byHost);
  return result;
}

// Polled only: a host asking to be told asynchronously is refused, as by a
// drive attached where that cannot happen.
VirtualRecorder::Outcome VirtualRecorder::GetEventStatus(Call& call) {
  constexpr std::uint8_t kMediaClassBit = 1 << 4;
  if ((call.cdb[1] & 0x01) == 0) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint8_t event = (call.cdb[4] & kMediaClassBit) != 0 ? mediaChanges_.TakeEvent() : MediaChanges::kNoChange;
  call.DataIn(MediaEventStatus(disc_.has_value(), event, call.cdb[4]), bytes::ReadBe16(call.cdb + 7));
  return {};
}

// READ SUB-CHANNEL of the current position: no audio is played, so the head
// rests at the start of the first track.
VirtualRecorder::Outcome VirtualRecorder::ReadCurrentPosition(Call& call) {
  constexpr std::uint8_t kNoAudioStatus = 0x15;
  const bool msf = (call.cdb[1] & 0x02) != 0;
  const bool subQ = (call.cdb[2] & 0x40) != 0;
  std::vector<std::uint8_t> response(subQ ? 16 : 4, 0);
  response[1] = kNoAudioStatus;
  if (subQ) {
    bytes::WriteBe16(&response[2], 12);
    response[4] = 0x01;
    const DiscTrack* track = CurrentState().TrackNumbered(1);
    const std::int32_t start = track != nullptr ? track->start : 0;
    if (track != nullptr) {
      response[5] = static_cast<std::uint8_t>(0x10 | track->Control());
      response[6] = 1;
      response[7] = 1;
    }
    if (msf) {
      const Msf at = LbaToMsf(start);
      response[9] = at.minute;
      response[10] = at.second;
      response[11] = at.frame;
    } else {
      bytes::WriteBe32(&response[8], static_cast<std::uint32_t>(start));
    }
  }
  call.DataIn(response, bytes::ReadBe16(call.cdb + 7));
  return {};
}

}  // namespace brenmark::virtualdrive
