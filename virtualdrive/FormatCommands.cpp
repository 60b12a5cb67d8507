// The commands of the DVD family's own: FORMAT UNIT, READ FORMAT CAPACITIES,
// READ DVD STRUCTURE.
#include <cstdint>
#include <string>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DvdMedia.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint8_t kDvdRwQuickGrow = 0x13;
constexpr std::uint8_t kDvdRwFull = 0x10;
constexpr std::uint8_t kDvdRwQuick = 0x15;
constexpr std::uint8_t kDvdPlusRwFormat = 0x26;

}  // namespace

// FORMAT UNIT with one format descriptor. A DVD+RW takes format type 26h (a
// drive formats it in the background; here it is done at once, and a restart
// of a formatted disc changes nothing); a DVD-RW takes a full (10h) or quick
// (15h) format into restricted overwrite, and a quick grow (13h) of a
// formatted one changes nothing. A format that starts anew loses what the
// disc held: a disc this recorder wrote is kept first, as an eject keeps it.
VirtualRecorder::Outcome VirtualRecorder::FormatUnit(Call& call) {
  constexpr std::uint32_t kListLength = 12;
  if ((call.cdb[1] & 0x17) != 0x11) return Refuse(sense::kInvalidFieldInCdb);  // FmtData, format code 1
  if (!call.hasDataOut() || call.request.length < kListLength) return Refuse(sense::kParameterListLengthError);
  const std::uint8_t* list = call.request.buffer;
  if (bytes::ReadBe16(list + 2) != 8) return Refuse(sense::kParameterListLengthError);
  const std::uint8_t type = list[8] >> 2;
  const bool restart = (list[11] & 0x01) != 0;
  const DiscState& state = disc_->state;
  if (!IsFormattable(state.kind)) return Refuse(sense::kIncompatibleMedium);
  const bool plus = state.kind == MediumKind::DvdPlusRw;
  if (plus ? type != kDvdPlusRwFormat : (type != kDvdRwFull && type != kDvdRwQuick && type != kDvdRwQuickGrow)) {
    return Refuse(sense::kInvalidFieldInParameterList);
  }
  if (type == kDvdRwQuickGrow) return state.formatted ? Outcome{} : Refuse(sense::kInvalidFieldInParameterList);
  if (plus && restart && state.formatted) return {};
  if (state.Status() != DiscStatus::Blank) {
    const MediumKind kind = state.kind;
    const TrayResult result = Replace(DiscImage::Blank(kind, workFolder_), TrayRecord::Blank(kind));
    if (!result.ok) {
      NoteWriteProblem(result.message);
      return Refuse(sense::kWriteError);
    }
    if (!result.finishedImage.empty()) call.finishedImage = result.finishedImage;
  }
  std::string error;
  if (!disc_->PrepareForWriting(error)) {
    NoteWriteProblem(error);
    return Refuse(sense::kWriteError);
  }
  disc_->state.ApplyFormat();
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadFormatCapacities(Call& call) {
  // CD media have no formats in this recorder: the command is unknown to it there.
  if (IsCdMedium(CurrentState().kind)) return Refuse(sense::kInvalidOpcode);
  Response response = FormatCapacities(CurrentState());
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadDvdStructure(Call& call) {
  if ((call.cdb[1] & 0x0F) != 0 || call.cdb[6] != 0) return Refuse(sense::kInvalidFieldInCdb);  // DVD, layer 0
  Response response = DvdStructure(CurrentState(), call.cdb[7]);
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 8));
  return {};
}

}  // namespace brenmark::virtualdrive
