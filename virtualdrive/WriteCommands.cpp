// The commands that write the disc: WRITE, RESERVE TRACK, SYNCHRONIZE CACHE,
// CLOSE TRACK/SESSION, BLANK.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {

VirtualRecorder::Outcome VirtualRecorder::ReserveTrack(Call& call) {
  if ((call.cdb[1] & 0x01) != 0) return Refuse(sense::kInvalidFieldInCdb);
  const auto blocks = static_cast<std::int32_t>(std::min<std::uint32_t>(bytes::ReadBe32(call.cdb + 5), 0x7FFFFFFF));
  DiscState& state = StateForWriting();
  if (const auto refused = state.CheckReserve(blocks)) return Refuse(*refused);
  state.ApplyReserve(blocks);
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

// On CD, track at once, the cache written out ends the open track: the drive
// writes its run-out then, and programs that never send CLOSE TRACK rely on it.
VirtualRecorder::Outcome VirtualRecorder::SynchronizeCache(Call&) {
  DiscState& state = StateForWriting();
  if (IsCdMedium(state.kind) && writeParameters_.writeType() == 1 && state.OpenTrack() != nullptr) {
    const auto fills = state.ApplyCloseTrack();
    if (!simulation_ && !ApplyFills(fills)) return FileFailure();
  } else if (state.ReservationFullyWritten() && IsDashDvd(state.kind) && writeParameters_.writeType() == 2) {
    // Disc at once leaves no room for another session.
    const auto fills = state.ApplyCloseSession(0, 0);
    if (!simulation_ && !ApplyFills(fills)) return FileFailure();
  }
  if (!disc_->Flush()) return FileFailure();
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::CloseTrackSession(Call& call) {
  const std::uint8_t function = call.cdb[2] & 0x07;
  DiscState& state = StateForWriting();
  // A formatted disc has no tracks to close: stopping its background format
  // (function 0) and closing are done at once.
  if (state.formatted) return function <= 2 ? Outcome{} : Refuse(sense::kInvalidFieldInCdb);
  const bool plusR = state.kind == MediumKind::DvdPlusR;
  std::vector<DriveFill> fills;
  if (function == 1) {
    if (const auto refused = state.CheckCloseTrack(bytes::ReadBe16(call.cdb + 4))) return Refuse(*refused);
    fills = state.ApplyCloseTrack();
  } else if (plusR && (function == 5 || function == 6) && state.LastSessionState() == SessionState::Empty) {
    if (const auto refused = state.CheckFinalize()) return Refuse(*refused);
    state.ApplyFinalize();
  } else if (function == 2 || (plusR && (function == 5 || function == 6))) {
    if (const auto refused = state.CheckCloseSession()) return Refuse(*refused);
    // DVD+R closes a session for another (2) or finalizes the disc (5, 6);
    // the others follow the multi-session field of the write parameters.
    const std::uint8_t multiSession = plusR ? (function == 2 ? 3 : 0) : writeParameters_.multiSessionField();
    fills = state.ApplyCloseSession(multiSession, writeParameters_.sessionFormat());
  } else {
    return Refuse(sense::kInvalidFieldInCdb);
  }
  if (!simulation_ && !ApplyFills(fills)) return FileFailure();
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

// BLANK of a CD-RW or DVD-RW, the whole disc (type 0) or minimally (type 1):
// either leaves a blank disc of the same size (a DVD-RW sequential again), at
// once whether or not the host asked for an immediate answer. A disc this
// recorder wrote is kept in the burned discs as an eject keeps it; an
// inserted image is never modified. A DVD+RW is only ever formatted.
VirtualRecorder::Outcome VirtualRecorder::BlankDisc(Call& call) {
  if ((call.cdb[1] & 0x07) > 1) return Refuse(sense::kInvalidFieldInCdb);
  const DiscState& state = disc_->state;
  if (state.kind != MediumKind::CdRw && state.kind != MediumKind::DvdRw) return Refuse(sense::kIncompatibleMedium);
  const MediumKind kind = state.kind;
  const int minutes = state.minutes;
  const TrayResult result = Replace(DiscImage::Blank(kind, workFolder_, minutes), TrayRecord::Blank(kind, minutes));
  if (!result.ok) {
    NoteWriteProblem(result.message);
    return Refuse(sense::kWriteError);
  }
  blankMinutes_ = minutes;
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::Write(Call& call) {
  const std::int32_t lba = call.lba;
  const std::uint32_t count = call.blocks;
  DiscState& state = StateForWriting();
  const bool cd = IsCdMedium(state.kind);
  const bool dash = IsDashDvd(state.kind) && !state.formatted;
  const std::uint8_t writeType = writeParameters_.writeType();
  if (cd && writeType == 2 && IsRecordable(state.kind) && !state.finalized) return WriteSessionAtOnce(call);
  // Track at once on CD (session at once went above); on DVD-R/-RW session at
  // once (after RESERVE TRACK) or incremental. DVD+R/+RW and formatted media
  // ignore the page.
  if (IsRecordable(state.kind) && !state.finalized &&
      ((cd && writeType != 1) || (dash && writeType != 2 && writeType != 0))) {
    return Refuse(sense::kIllegalModeForThisTrack);
  }
  if (dash && writeType == 2 && state.reservedBlocks == 0 && state.OpenTrack() == nullptr) {
    return Refuse(sense::kCommandSequenceError);
  }
  const std::uint32_t blockSize = cd || dash ? writeParameters_.BlockSize() : 2048;
  if (!cd && blockSize != 2048) return Refuse(sense::kIllegalModeForThisTrack);
  // The blocks of the CDB are taken from the host's data; whole blocks more
  // (a program whose last write of a reservation is shorter than its buffer)
  // are left over, as a drive leaves them. Less data, or data that is not
  // whole blocks of the selected size, is a host writing other blocks.
  const std::uint64_t expectedBytes = static_cast<std::uint64_t>(count) * blockSize;
  const std::uint64_t sentBytes = call.request.direction == DataDirection::Out ? call.request.length : 0;
  if (sentBytes < expectedBytes || sentBytes % blockSize != 0) return Refuse(sense::kInvalidFieldInCdb);
  call.dataInBytes = static_cast<std::uint32_t>(expectedBytes);
  if (count == 0) return {};
  if (count > 0x7FFFFFFF) return Refuse(sense::kLbaOutOfRange);
  const TrackKind kind = writeParameters_.TrackKindFor(call.request.buffer);
  const auto blocks = static_cast<std::int32_t>(count);
  if (const auto refused = state.CheckWrite(lba, blocks, kind)) return Refuse(*refused);
  if (simulation_) {
    state.ApplyWrite(blocks, kind);
    return {};
  }
  std::string error;
  if (!disc_->PrepareForWriting(error)) {
    NoteWriteProblem(error);
    return Refuse(sense::kWriteError);
  }
  const std::size_t tracksBefore = state.tracks.size();
  const auto fills = state.ApplyWrite(blocks, kind);
  if (!ApplyFills(fills)) return FileFailure();
  const std::uint8_t* data = call.request.buffer;
  if (call.corruptBlock && *call.corruptBlock < lba + blocks) {
    // The host's buffer stays as it was sent: only what is stored differs.
    corrupted_.assign(data, data + expectedBytes);
    corrupted_[static_cast<std::size_t>(*call.corruptBlock - lba) * blockSize + blockSize / 2] ^= 0xFF;
    data = corrupted_.data();
  }
  const bool written = cd ? WriteEncoded(lba, count, data) : disc_->WriteBlocks(lba, blocks, data);
  if (!written) return FileFailure();
  if (state.tracks.size() != tracksBefore && !SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

bool VirtualRecorder::WriteEncoded(std::int32_t lba, std::uint32_t count, const std::uint8_t* data) {
  const std::uint8_t type = writeParameters_.dataBlockType();
  if (type == 0) return disc_->WriteBlocks(lba, static_cast<std::int32_t>(count), data);
  scratch_.resize(static_cast<std::size_t>(count) * kRawSectorSize);
  const auto sub = writeParameters_.subheader();
  const std::array<std::uint8_t, 8> subheader{sub[0], sub[1], sub[2], sub[3], sub[0], sub[1], sub[2], sub[3]};
  const std::uint32_t blockSize = writeParameters_.BlockSize();
  for (std::uint32_t index = 0; index < count; ++index) {
    const std::int32_t address = lba + static_cast<std::int32_t>(index);
    const std::uint8_t* block = data + static_cast<std::size_t>(index) * blockSize;
    std::uint8_t* raw = scratch_.data() + static_cast<std::size_t>(index) * kRawSectorSize;
    switch (type) {
      case 8: EncodeMode1Sector(address, block, raw); break;
      case 10: EncodeMode2Form1Sector(address, subheader.data(), block, raw); break;
      case 12: EncodeMode2Form2Sector(address, subheader.data(), block, raw); break;
      default: EncodeMode2Block(address, block, raw); break;
    }
  }
  return disc_->WriteBlocks(lba, static_cast<std::int32_t>(count), scratch_.data());
}

bool VirtualRecorder::ApplyFills(const std::vector<DriveFill>& fills) {
  for (const DriveFill& fill : fills) {
    if (!disc_->WriteFill(fill)) return false;
  }
  return true;
}

}  // namespace brenmark::virtualdrive
