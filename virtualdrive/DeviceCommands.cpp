// The commands about the drive itself: identity, features, mode pages, speed
// and buffer.
#include <cstdint>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DeviceResponses.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint32_t kBufferBytes = 2048 * 1024;

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
  Response response = Configuration(model_, medium, call.cdb[1] & 0x03, bytes::ReadBe16(call.cdb + 2));
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, bytes::ReadBe16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ModeSense(Call& call) {
  if (call.cdb[3] != 0) return Refuse(sense::kInvalidFieldInCdb);
  Response response = ModePages(model_, writeParameters_, writeSpeed_, call.cdb[2] >> 6, call.cdb[2] & 0x3F);
  if (response.error) return Refuse(*response.error);
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
    if ((page[0] & 0x3F) != WriteParameters::kPageCode || offset + pageLength > listLength) {
      return Refuse(sense::kInvalidFieldInParameterList);
    }
    if (const auto refused = selected.Select(page, pageLength)) return Refuse(*refused);
    offset += pageLength;
  }
  if (offset != listLength && offset < listLength) return Refuse(sense::kParameterListLengthError);
  writeParameters_ = selected;
  if (!writeParameters_.testWrite()) simulation_.reset();
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::SetCdSpeed(Call& call) {
  if ((call.cdb[1] & 0x03) > 1) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint16_t requested = bytes::ReadBe16(call.cdb + 4);
  if (model_.writeSpeeds.empty()) return {};
  // The fastest speed not above the request; the slowest for anything below it.
  writeSpeed_ = model_.writeSpeeds.back();
  for (const std::uint16_t speed : model_.writeSpeeds) {
    if (speed <= requested) {
      writeSpeed_ = speed;
      break;
    }
  }
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadBufferCapacity(Call& call) {
  const bool inBlocks = (call.cdb[1] & 0x01) != 0;
  std::vector<std::uint8_t> response(12, 0);
  bytes::WriteBe16(response.data(), 10);
  // Writes leave the buffer at once (the image file holds back at most a few
  // sectors), so it is always empty unless a test asks for it to be full.
  const std::uint32_t free = faults_.TakeBufferFull() ? 0 : kBufferBytes;
  if (inBlocks) {
    response[3] = 0x01;
    bytes::WriteBe32(response.data() + 8, free / 2048);
  } else {
    bytes::WriteBe32(response.data() + 4, kBufferBytes);
    bytes::WriteBe32(response.data() + 8, free);
  }
  call.DataIn(response, bytes::ReadBe16(call.cdb + 7));
  return {};
}

}  // namespace brenmark::virtualdrive
