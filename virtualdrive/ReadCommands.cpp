// READ CD: sectors of the disc with the fields the CDB selects; READ(10) and
// READ(12): the 2048 bytes of user data of data blocks; READ HEADER: a data
// block's mode.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"
#include "virtualdrive/SubChannel.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {
namespace {

// What the CDB asks of every block: the expected sector type, the fields and
// the sub-channel data.
struct ReadCdRequest {
  std::uint8_t expected;
  std::uint8_t fields;
  std::uint8_t subChannel;

  bool sync() const { return (fields & 0x80) != 0; }
  std::uint8_t headers() const { return (fields >> 5) & 0x03; }
  bool user() const { return (fields & 0x10) != 0; }
  bool edc() const { return (fields & 0x08) != 0; }
};

// The refusal of a track whose kind is not the expected sector type, as far as
// the kind tells it (a Mode 2 track's form is in each sector).
std::optional<Sense> CheckTrackKind(const DiscTrack& track, std::uint8_t expected) {
  switch (track.kind) {
    case TrackKind::Audio:
      if (expected != 0 && expected != 1) return sense::kIllegalModeForThisTrack;
      break;
    case TrackKind::Mode1:
      if (expected != 0 && expected != 2) return sense::kIllegalModeForThisTrack;
      break;
    case TrackKind::Mode2:
      if (expected == 1 || expected == 2) return sense::kIllegalModeForThisTrack;
      break;
  }
  return std::nullopt;
}

// The run-out blocks of a track-at-once data track cannot be read back;
// those of an audio track play as the silence the drive recorded there.
bool InDataRunOut(const DiscTrack& track, std::int64_t address) {
  return address >= track.end && track.kind != TrackKind::Audio;
}

// Appends the selected fields of one raw sector of `track`, or refuses it.
std::optional<Sense> AppendFields(const DiscTrack& track, const ReadCdRequest& read,
                                  const std::array<std::uint8_t, kRawSectorSize>& raw,
                                  std::vector<std::uint8_t>& response) {
  if (const auto refused = CheckTrackKind(track, read.expected)) return refused;
  const auto append = [&response, &raw](std::size_t from, std::size_t to) {
    response.insert(response.end(), raw.begin() + static_cast<std::ptrdiff_t>(from),
                    raw.begin() + static_cast<std::ptrdiff_t>(to));
  };
  if (track.kind == TrackKind::Audio) {
    if ((read.fields & 0xF8) != 0) append(0, kRawSectorSize);
    return std::nullopt;
  }
  if (read.sync()) append(0, 12);
  if (read.headers() & 0x01) append(12, 16);
  if (track.kind == TrackKind::Mode1) {
    if (read.user()) append(16, 2064);
    if (read.edc()) append(2064, kRawSectorSize);
    return std::nullopt;
  }
  const bool form2 = (raw[18] & 0x20) != 0;
  if ((read.expected == 4 && form2) || (read.expected == 5 && !form2)) return sense::kIllegalModeForThisTrack;
  if (read.headers() & 0x02) append(16, 24);
  if (read.user()) append(24, form2 ? 2348 : 2072);
  if (read.edc()) append(form2 ? 2348 : 2072, kRawSectorSize);
  return std::nullopt;
}

// The blocks [from, to) of `track` that the host's buffer does not take:
// refused as reading them would be, without reading them.
std::optional<Sense> CheckUntransferred(const DiscTrack& track, std::int64_t from, std::int64_t to,
                                        std::uint8_t expected) {
  if (InDataRunOut(track, from)) return sense::kUnrecoveredReadError;
  if (const auto refused = CheckTrackKind(track, expected)) return refused;
  if (InDataRunOut(track, to - 1)) return sense::kUnrecoveredReadError;
  return std::nullopt;
}

// The 2048 bytes of user data of one raw sector of a data track, or the
// refusal of a block that has none (audio, Mode 2 Form 2).
std::optional<Sense> AppendUserData(const DiscTrack& track, const std::array<std::uint8_t, kRawSectorSize>& raw,
                                    std::vector<std::uint8_t>& response) {
  std::size_t from = 16;
  if (track.kind == TrackKind::Audio) return sense::kIllegalModeForThisTrack;
  if (track.kind == TrackKind::Mode2) {
    if ((raw[18] & 0x20) != 0) return sense::kIllegalModeForThisTrack;
    from = 24;
  }
  response.insert(response.end(), raw.begin() + static_cast<std::ptrdiff_t>(from),
                  raw.begin() + static_cast<std::ptrdiff_t>(from + kUserBlockSize));
  return std::nullopt;
}

// The raw audio block a drive whose read offset is `samples` gives for `lba`:
// the disc's bytes 4 * `samples` further on (back when negative), across two
// stored blocks; what lies outside the stored blocks reads as silence.
void ShiftAudioBlock(DiscImage& disc, std::int32_t lba, std::int32_t samples,
                     std::array<std::uint8_t, kRawSectorSize>& raw) {
  constexpr auto kBlock = static_cast<std::int64_t>(kRawSectorSize);
  const std::int64_t start = std::int64_t{lba} * kBlock + std::int64_t{samples} * 4;
  const std::int64_t first = start >= 0 ? start / kBlock : -((-start + kBlock - 1) / kBlock);
  const auto skip = static_cast<std::size_t>(start - first * kBlock);
  std::array<std::uint8_t, 2 * kRawSectorSize> pair{};
  for (std::int64_t block = 0; block < 2; ++block) {
    const std::int64_t address = first + block;
    std::uint8_t* into = pair.data() + block * kBlock;
    const bool stored = address >= 0 && address <= 0x7FFFFFFF &&
                        disc.ReadRawSector(static_cast<std::int32_t>(address), into);
    if (!stored) std::fill(into, into + kBlock, std::uint8_t{0});
  }
  std::copy_n(pair.begin() + static_cast<std::ptrdiff_t>(skip), kRawSectorSize, raw.begin());
}

}  // namespace

// The mode byte and address of a CD data block's header; audio blocks and a
// data track's run-out have none that can be read.
VirtualRecorder::Outcome VirtualRecorder::ReadHeader(Call& call) {
  const DiscState& state = disc_->state;
  if (!IsCdMedium(state.kind)) return Refuse(sense::kIncompatibleMedium);
  const auto lba = static_cast<std::int32_t>(bytes::ReadBe32(call.cdb + 2));
  const DiscTrack* track = lba < 0 ? nullptr : state.TrackContaining(lba);
  if (track == nullptr) return Refuse(sense::kLbaOutOfRange);
  if (track->kind == TrackKind::Audio || InDataRunOut(*track, lba)) return Refuse(sense::kIllegalModeForThisTrack);
  std::array<std::uint8_t, kRawSectorSize> raw{};
  if (!disc_->ReadRawSector(lba, raw.data())) return Refuse(sense::kUnrecoveredReadError);
  std::vector<std::uint8_t> response(8, 0);
  response[0] = raw[15];
  if ((call.cdb[1] & 0x02) != 0) {
    const Msf msf = LbaToMsf(lba);
    response[5] = msf.minute;
    response[6] = msf.second;
    response[7] = msf.frame;
  } else {
    bytes::WriteBe32(response.data() + 4, static_cast<std::uint32_t>(lba));
  }
  call.DataIn(response, bytes::ReadBe16(call.cdb + 7));
  return {};
}

// Blocks past what the host's buffer takes are not read, but the range is
// still checked: its last block must lie on the disc, outside a data run-out.
// A run-out block has no user data of the track's mode; drives refuse it as
// an illegal mode, which is how readers tell a track at once's end from a
// damaged block.
VirtualRecorder::Outcome VirtualRecorder::ReadData(Call& call) {
  const DiscState& state = disc_->state;
  const std::int64_t end = static_cast<std::int64_t>(call.lba) + call.blocks;
  if (call.lba < 0 || end > 0x7FFFFFFF) return Refuse(sense::kLbaOutOfRange);
  if (call.blocks == 0) return {};
  const DiscTrack* last = state.TrackContaining(static_cast<std::int32_t>(end - 1));
  if (last == nullptr) return Refuse(sense::kLbaOutOfRange);
  if (InDataRunOut(*last, end - 1)) return Refuse(sense::kIllegalModeForThisTrack);
  const std::size_t wanted = call.request.direction == DataDirection::In ? call.request.length : 0;
  if (!IsCdMedium(state.kind)) return ReadDvdUserData(call, end, wanted);
  std::vector<std::uint8_t> response;
  std::array<std::uint8_t, kRawSectorSize> raw{};
  for (std::int64_t address = call.lba; address < end && response.size() < wanted; ++address) {
    const auto lba = static_cast<std::int32_t>(address);
    const DiscTrack* track = state.TrackContaining(lba);
    if (track == nullptr) return Refuse(sense::kLbaOutOfRange);
    if (InDataRunOut(*track, address)) return Refuse(sense::kIllegalModeForThisTrack);
    if (!disc_->ReadRawSector(lba, raw.data())) return Refuse(sense::kUnrecoveredReadError);
    if (const auto refused = AppendUserData(*track, raw, response)) return Refuse(*refused);
  }
  call.DataIn(response, call.request.length);
  return {};
}

// A DVD holds the user data alone: each track's blocks go straight into the
// host's buffer, as many at once as it takes; a buffer that ends within a
// block gets that block's first bytes.
VirtualRecorder::Outcome VirtualRecorder::ReadDvdUserData(Call& call, std::int64_t end, std::size_t wanted) {
  const DiscState& state = disc_->state;
  std::size_t filled = 0;
  for (std::int64_t address = call.lba; address < end && filled < wanted;) {
    const auto lba = static_cast<std::int32_t>(address);
    const DiscTrack* track = state.TrackContaining(lba);
    if (track == nullptr) return Refuse(sense::kLbaOutOfRange);
    if (InDataRunOut(*track, address)) return Refuse(sense::kIllegalModeForThisTrack);
    const auto whole = static_cast<std::int64_t>((wanted - filled) / kUserBlockSize);
    if (whole == 0) {
      std::array<std::uint8_t, kUserBlockSize> block{};
      if (!disc_->ReadUserBlocks(lba, 1, block.data())) return Refuse(sense::kUnrecoveredReadError);
      std::memcpy(call.request.buffer + filled, block.data(), wanted - filled);
      filled = wanted;
      break;
    }
    const auto count = static_cast<std::int32_t>(std::min({end, std::int64_t{track->end}, address + whole}) - address);
    if (!disc_->ReadUserBlocks(lba, count, call.request.buffer + filled)) return Refuse(sense::kUnrecoveredReadError);
    filled += static_cast<std::size_t>(count) * kUserBlockSize;
    address += count;
  }
  call.dataInBytes = static_cast<std::uint32_t>(filled);
  return {};
}

// The host's buffer bounds the work: blocks are read and their fields
// gathered until the buffer is full; like a drive whose transfer is cut by
// the host, the answer for the remaining blocks is what reading them would
// give (out of range, a data track's run-out, another sector type), found
// from the tracks alone.
VirtualRecorder::Outcome VirtualRecorder::ReadCd(Call& call) {
  const ReadCdRequest read{static_cast<std::uint8_t>((call.cdb[1] >> 2) & 0x07), call.cdb[9],
                           static_cast<std::uint8_t>(call.cdb[10] & 0x07)};
  const auto lba = static_cast<std::int32_t>(bytes::ReadBe32(call.cdb + 2));
  const std::uint32_t count = bytes::ReadBe24(call.cdb + 6);
  if (read.expected > 5 || (read.fields & 0x06) != 0 || !IsSubChannelSelection(read.subChannel)) {
    return Refuse(sense::kInvalidFieldInCdb);
  }
  const DiscState& state = disc_->state;
  if (!IsCdMedium(state.kind)) return Refuse(sense::kIllegalModeForThisTrack);
  const std::size_t wanted = call.request.direction == DataDirection::In ? call.request.length : 0;
  std::vector<std::uint8_t> response;
  std::array<std::uint8_t, kRawSectorSize> raw{};
  const std::int64_t end = static_cast<std::int64_t>(lba) + count;
  std::int64_t address = lba;
  while (address < end) {
    const DiscTrack* track = address > 0x7FFFFFFF ? nullptr : state.TrackContaining(static_cast<std::int32_t>(address));
    if (track == nullptr) return Refuse(sense::kLbaOutOfRange);
    const std::int64_t trackEnd = std::min<std::int64_t>(end, track->ExtentEnd());
    if (response.size() >= wanted) {
      if (const auto refused = CheckUntransferred(*track, address, trackEnd, read.expected)) return Refuse(*refused);
      address = trackEnd;
      continue;
    }
    if (InDataRunOut(*track, address)) return Refuse(sense::kUnrecoveredReadError);
    if (!disc_->ReadRawSector(static_cast<std::int32_t>(address), raw.data())) {
      return Refuse(sense::kUnrecoveredReadError);
    }
    if (track->kind == TrackKind::Audio) {
      if (const std::int32_t offset = faults_.TakeReadOffset(); offset != 0) {
        ShiftAudioBlock(*disc_, static_cast<std::int32_t>(address), offset, raw);
      }
    }
    const std::size_t before = response.size();
    if (const auto refused = AppendFields(*track, read, raw, response)) return Refuse(*refused);
    AppendSubChannel(read.subChannel, *track, static_cast<std::int32_t>(address), state.catalog, response);
    ++address;
    // Fields that select nothing of this track's sectors transfer nothing from any of them.
    if (response.size() == before && address < trackEnd) {
      if (const auto refused = CheckUntransferred(*track, address, trackEnd, read.expected)) return Refuse(*refused);
      address = trackEnd;
    }
  }
  call.DataIn(response, call.request.length);
  return {};
}

}  // namespace brenmark::virtualdrive
