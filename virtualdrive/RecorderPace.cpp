// How long the recorder's transfers take, and its buffer as the host sees it.
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace {

constexpr std::uint32_t kBlockBytes = 2048;

}  // namespace

std::optional<PaceClock::TimePoint> VirtualRecorder::AnswerDue(const Call& call, const Outcome& outcome) {
  if (outcome.result != TransportResult::Good || !disc_ || model_.writeSpeeds.empty()) return std::nullopt;
  // A block on the medium: a whole CD frame, or a DVD's 2048 bytes. The
  // recorder reads as fast as it writes at its fastest.
  const std::uint32_t discBytes = IsCdMedium(CurrentState().kind) ? 2352 : kBlockBytes;
  switch (call.cdb[0]) {
    case 0x2A:
    case 0xAA: return pace_.Write(call.blocks, DrivePace::BlockTime(CurrentWriteSpeed(), discBytes));
    case 0x28:
    case 0xA8:
    case 0xBE: return pace_.Read(call.blocks, DrivePace::BlockTime(ModelForMedium().writeSpeeds.front(), discBytes));
    case 0x35: return pace_.Flush();
    default: return std::nullopt;
  }
}

VirtualRecorder::Outcome VirtualRecorder::ReadBufferCapacity(Call& call) {
  const bool inBlocks = (call.cdb[1] & 0x01) != 0;
  std::vector<std::uint8_t> response(12, 0);
  bytes::WriteBe16(response.data(), 10);
  const std::uint32_t level = faults_.TakeBufferFull() ? DrivePace::kBufferBlocks : pace_.TakeLevel();
  const std::uint32_t free = (DrivePace::kBufferBlocks - level) * kBlockBytes;
  if (inBlocks) {
    response[3] = 0x01;
    bytes::WriteBe32(response.data() + 8, free / kBlockBytes);
  } else {
    bytes::WriteBe32(response.data() + 4, DrivePace::kBufferBlocks * kBlockBytes);
    bytes::WriteBe32(response.data() + 8, free);
  }
  call.DataIn(response, bytes::ReadBe16(call.cdb + 7));
  return {};
}

TrayResult VirtualRecorder::SetPace(Pace pace) {
  TrayClaim claim(*this, false);
  if (!claim) return claim.Refusal();
  std::lock_guard lock(mutex_);
  if (!folderProblem_.empty()) return {false, folderProblem_, {}};
  std::string error;
  if (!WritePace(workFolder_, pace, error)) return {false, "cannot keep the pace: " + error, {}};
  pace_.Set(pace);
  return {};
}

Pace VirtualRecorder::CurrentPace() const {
  std::lock_guard lock(mutex_);
  return pace_.pace();
}

void VirtualRecorder::SetPaceClock(std::shared_ptr<PaceClock> clock) {
  std::lock_guard lock(mutex_);
  pace_.SetClock(std::move(clock));
}

}  // namespace brenmark::virtualdrive
