// The commands about the drive itself: identity, features, mode pages, speed
// and buffer.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DeviceResponses.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint8_t kErrorRecoveryPage = 0x01;

}  // namespace

// Ready whenever a disc is in the tray: the dispatch answers an empty one.
VirtualRecorder::Outcome VirtualRecorder::TestUnitReady(Call&) { return {}; }

VirtualRecorder::Outcome VirtualRecorder::Inquiry(Call& call) {
  if ((call.cdb[1] & 0x01) != 0 || call.cdb[2] != 0) return Refuse(sense::kInvalidFieldInCdb);
  call.DataIn(InquiryData(model_), bytes::ReadBe16(call.cdb + 3));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::GetConfiguration(Call& call) {
  // With an empty tray no profile and no medium feature is current.
  const std::optional<MediumKind> medium = disc_ ? std::optional(CurrentState().kind) : std::nullopt;
  const bool formatted = disc_ && CurrentState().formatted;
  Response response = Configuration(model_, medium, call.cdb[1] & 0x03, bytes::ReadBe16(call.cdb + 2), formatted);
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ModeSense(Call& call) {
  if (call.cdb[3] != 0) return Refuse(sense::kInvalidFieldInCdb);
  Response response =
      ModePages(ModelForMedium(), writeParameters_, CurrentWriteSpeed(), call.cdb[2] >> 6, call.cdb[2] & 0x3F);
  if (response.error) return Refuse(*response.error);
  // The capabilities page's lock state (byte 6, bit 1) tells whether removal is prevented.
  for (std::size_t at = 8; removalPrevented_ && call.cdb[2] >> 6 == 0 && at + 7 <= response.data.size();
       at += 2 + response.data[at + 1]) {
    if ((response.data[at] & 0x3F) == 0x2A) response.data[at + 6] |= 0x02;
  }
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ModeSelect(Call& call) {
  if ((call.cdb[1] & 0x10) == 0 || (call.cdb[1] & 0x01) != 0) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint32_t listLength = bytes::ReadBe16(call.cdb + 7);
  if (listLength == 0) return {};
  if (!call.hasDataOut() || listLength > call.request.length) return Refuse(sense::kInvalidFieldInCdb);
  if (listLength < 8) return Refuse(sense::kParameterListLengthError);
  const std::uint8_t* list = call.request.buffer;
  std::size_t offset = 8 + bytes::ReadBe16(list + 6);
  WriteParameters selected = writeParameters_;
  while (offset + 2 <= listLength) {
    const std::uint8_t* page = list + offset;
    const std::size_t pageLength = 2 + static_cast<std::size_t>(page[1]);
    if (offset + pageLength > listLength) return Refuse(sense::kInvalidFieldInParameterList);
    // The error recovery page is taken and ignored: the medium never needs its retries.
    if ((page[0] & 0x3F) == kErrorRecoveryPage) {
      offset += pageLength;
      continue;
    }
    if ((page[0] & 0x3F) != WriteParameters::kPageCode) return Refuse(sense::kInvalidFieldInParameterList);
    if (const auto refused = selected.Select(page, pageLength)) return Refuse(*refused);
    offset += pageLength;
  }
  if (offset != listLength && offset < listLength) return Refuse(sense::kParameterListLengthError);
  // A CD is written track at once or session at once; packet and raw
  // writing are refused as a drive without them refuses them.
  const bool cdWriting = disc_ ? IsCdMedium(disc_->state.kind) : IsCdMedium(model_.blankKind);
  if (cdWriting && selected.writeType() != 1 && selected.writeType() != 2) {
    return Refuse(sense::kInvalidFieldInParameterList);
  }
  writeParameters_ = selected;
  if (!writeParameters_.testWrite()) simulation_.reset();
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::SetCdSpeed(Call& call) {
  if ((call.cdb[1] & 0x03) > 1) return Refuse(sense::kInvalidFieldInCdb);
  SelectWriteSpeed(bytes::ReadBe16(call.cdb + 4));
  return {};
}

// The fastest speed not above the request; the slowest for anything below it.
void VirtualRecorder::SelectWriteSpeed(std::uint32_t requested) {
  const std::vector<std::uint16_t> speeds = ModelForMedium().writeSpeeds;
  if (speeds.empty()) return;
  writeSpeed_ = speeds.back();
  for (const std::uint16_t speed : speeds) {
    if (speed <= requested) {
      writeSpeed_ = speed;
      break;
    }
  }
}

RecorderModel VirtualRecorder::ModelForMedium() const {
  return WithMedium(model_, disc_ ? std::optional<MediumKind>(disc_->state.kind) : std::nullopt);
}

// A speed chosen for another medium (a DVD speed, a CD now in the tray) is
// the fastest of this one's not above it.
std::uint16_t VirtualRecorder::CurrentWriteSpeed() const {
  const std::vector<std::uint16_t> speeds = ModelForMedium().writeSpeeds;
  const auto fitting = std::find_if(speeds.begin(), speeds.end(), [this](std::uint16_t s) { return s <= writeSpeed_; });
  if (fitting != speeds.end()) return *fitting;
  return speeds.empty() ? writeSpeed_ : speeds.back();
}

// Only the performance descriptor (type 0): its write size in KB over its
// write time in milliseconds is the speed asked for.
VirtualRecorder::Outcome VirtualRecorder::SetStreaming(Call& call) {
  constexpr std::size_t kDescriptorSize = 28;
  if (call.cdb[8] != 0) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint32_t length = bytes::ReadBe16(call.cdb + 9);
  if (length == 0) return {};
  if (length < kDescriptorSize || !call.hasDataOut() || call.request.length < length) {
    return Refuse(sense::kParameterListLengthError);
  }
  const std::uint8_t* descriptor = call.request.buffer;
  const std::uint64_t writeSize = bytes::ReadBe32(descriptor + 20);
  const std::uint64_t writeTime = bytes::ReadBe32(descriptor + 24);
  if (writeTime == 0) return Refuse(sense::kInvalidFieldInParameterList);
  SelectWriteSpeed(static_cast<std::uint32_t>(std::min<std::uint64_t>(writeSize * 1000 / writeTime, 0xFFFF)));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::GetPerformance(Call& call) {
  const std::uint8_t dataType = call.cdb[1] & 0x1F;
  Response response = Performance(ModelForMedium(), CurrentState().Capacity() - 1, CurrentWriteSpeed(), call.cdb[10],
                                  (dataType & 0x04) != 0, dataType & 0x03, bytes::ReadBe16(call.cdb + 8));
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, call.request.length);
  return {};
}

// The power calibration a recorder runs before writing: nothing to calibrate
// here, so any request is done at once.
VirtualRecorder::Outcome VirtualRecorder::SendOpcInformation(Call&) { return {}; }

}  // namespace brenmark::virtualdrive
