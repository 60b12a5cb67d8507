// The commands that describe the disc: disc and track information, table of
// contents, capacity.
#include <optional>

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

VirtualRecorder::Outcome VirtualRecorder::ReadCapacity(Call& call) {
  call.DataIn(Capacity(CurrentState()), 8);
  return {};
}

}  // namespace brenmark::virtualdrive
