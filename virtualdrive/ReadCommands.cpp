// READ CD: sectors of the disc with the fields the CDB selects.
#include <array>
#include <cstdint>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {

VirtualRecorder::Outcome VirtualRecorder::ReadCd(Call& call) {
  const std::uint8_t expected = (call.cdb[1] >> 2) & 0x07;
  const auto lba = static_cast<std::int32_t>(bytes::ReadBe32(call.cdb + 2));
  const std::uint32_t count = bytes::ReadBe24(call.cdb + 6);
  const std::uint8_t fields = call.cdb[9];
  if (expected > 5 || (fields & 0x06) != 0 || (call.cdb[10] & 0x07) != 0) return Refuse(sense::kInvalidFieldInCdb);
  const DiscState& state = disc_->state;
  if (!IsCdMedium(state.kind)) return Refuse(sense::kIllegalModeForThisTrack);
  std::vector<std::uint8_t> response;
  std::array<std::uint8_t, kRawSectorSize> raw{};
  const bool sync = (fields & 0x80) != 0;
  const std::uint8_t headers = (fields >> 5) & 0x03;
  const bool user = (fields & 0x10) != 0;
  const bool edc = (fields & 0x08) != 0;
  for (std::uint32_t index = 0; index < count; ++index) {
    const std::int64_t address = static_cast<std::int64_t>(lba) + index;
    const DiscTrack* track = address > 0x7FFFFFFF ? nullptr : state.TrackContaining(static_cast<std::int32_t>(address));
    if (track == nullptr) return Refuse(sense::kLbaOutOfRange);
    // The run-out blocks of a track-at-once data track cannot be read back;
    // those of an audio track play as the silence the drive recorded there.
    if (address >= track->end && track->kind != TrackKind::Audio) return Refuse(sense::kUnrecoveredReadError);
    if (!disc_->ReadRawSector(static_cast<std::int32_t>(address), raw.data())) {
      return Refuse(sense::kUnrecoveredReadError);
    }
    const auto append = [&response, &raw](std::size_t from, std::size_t to) {
      response.insert(response.end(), raw.begin() + static_cast<std::ptrdiff_t>(from),
                      raw.begin() + static_cast<std::ptrdiff_t>(to));
    };
    if (track->kind == TrackKind::Audio) {
      if (expected != 0 && expected != 1) return Refuse(sense::kIllegalModeForThisTrack);
      if ((fields & 0xF8) != 0) append(0, kRawSectorSize);
      continue;
    }
    if (sync) append(0, 12);
    if (headers & 0x01) append(12, 16);
    if (track->kind == TrackKind::Mode1) {
      if (expected != 0 && expected != 2) return Refuse(sense::kIllegalModeForThisTrack);
      if (user) append(16, 2064);
      if (edc) append(2064, kRawSectorSize);
      continue;
    }
    const bool form2 = (raw[18] & 0x20) != 0;
    if (expected == 1 || expected == 2 || (expected == 4 && form2) || (expected == 5 && !form2)) {
      return Refuse(sense::kIllegalModeForThisTrack);
    }
    if (headers & 0x02) append(16, 24);
    if (user) append(24, form2 ? 2348 : 2072);
    if (edc) append(form2 ? 2348 : 2072, kRawSectorSize);
  }
  call.DataIn(response, call.request.length);
  return {};
}

}  // namespace brenmark::virtualdrive
