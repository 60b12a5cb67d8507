// The commands that describe the disc: disc and track information, table of
// contents, the catalogue numbers of the sub-channel, capacity.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DiscResponses.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

VirtualRecorder::Outcome VirtualRecorder::ReadDiscInformation(Call& call) {
  if ((call.cdb[1] & 0x07) != 0) return Refuse(sense::kInvalidFieldInCdb);
  call.DataIn(DiscInformation(CurrentState()), bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadTrackInformation(Call& call) {
  Response response = TrackInformation(CurrentState(), call.cdb[1] & 0x03, bytes::ReadBe32(call.cdb + 2));
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadToc(Call& call) {
  std::uint8_t format = call.cdb[2] & 0x0F;
  if (format == 0) format = call.cdb[9] >> 6;  // the older place of the format
  const bool msf = (call.cdb[1] & 0x02) != 0;
  Response response = TableOfContents(CurrentState(), format, msf, call.cdb[6]);
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

// The media catalogue number (format 2) and a track's ISRC (format 3), with
// their valid bits clear on a disc that carries none.
VirtualRecorder::Outcome VirtualRecorder::ReadSubChannel(Call& call) {
  constexpr std::uint8_t kNoAudioStatus = 0x15;
  const std::uint8_t format = call.cdb[3];
  if (format != 2 && format != 3) return Refuse(sense::kInvalidFieldInCdb);
  const DiscState& state = CurrentState();
  const DiscTrack* track = format == 3 ? state.TrackNumbered(call.cdb[6]) : nullptr;
  if (format == 3 && track == nullptr) return Refuse(sense::kInvalidFieldInCdb);
  const bool subQ = (call.cdb[2] & 0x40) != 0;
  std::vector<std::uint8_t> response(subQ ? 24 : 4, 0);
  response[1] = kNoAudioStatus;
  if (subQ) {
    bytes::WriteBe16(&response[2], 20);
    response[4] = format;
    if (track != nullptr) {
      response[5] = static_cast<std::uint8_t>(0x10 | track->Control());
      response[6] = static_cast<std::uint8_t>(track->number);
    }
    const std::string& code = track != nullptr ? track->isrc : state.catalog;
    if (!code.empty()) {
      response[8] = 0x80;
      std::copy(code.begin(), code.end(), response.begin() + 9);
    }
  }
  call.DataIn(response, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadCapacity(Call& call) {
  call.DataIn(Capacity(CurrentState()), 8);
  return {};
}

}  // namespace brenmark::virtualdrive
