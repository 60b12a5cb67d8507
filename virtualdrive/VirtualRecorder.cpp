#include "virtualdrive/VirtualRecorder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <sstream>
#include <utility>

#include "bytes/ByteOrder.h"
#include "platform/LocalTime.h"
#include "virtualdrive/DeviceResponses.h"
#include "virtualdrive/DiscResponses.h"
#include "virtualdrive/TrayRestore.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kBufferBytes = 2048 * 1024;

std::string TrackKindText(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return "audio";
    case TrackKind::Mode1: return "Mode 1";
    case TrackKind::Mode2: return "Mode 2";
  }
  return "data";
}

}  // namespace

struct VirtualRecorder::Call {
  const ScsiRequest& request;
  const std::uint8_t* cdb;
  std::optional<fs::path> finishedImage;
  std::optional<std::uint32_t> dataInBytes;  // what a response filled of the transfer
  // The block address and count of a transfer.
  std::int32_t lba = 0;
  std::uint32_t blocks = 0;

  bool hasDataOut() const { return request.direction == DataDirection::Out && request.length > 0; }

  // Copies a response into the host's buffer, cut to the allocation length.
  void DataIn(const std::vector<std::uint8_t>& response, std::uint32_t allocation) {
    if (request.direction == DataDirection::Out) return;
    const std::size_t count = std::min<std::size_t>({response.size(), allocation, request.length});
    if (count > 0) std::memcpy(request.buffer, response.data(), count);
    dataInBytes = static_cast<std::uint32_t>(count);
  }
};

VirtualRecorder::VirtualRecorder(RecorderModel model, fs::path workFolder, fs::path burnedFolder)
    : model_(std::move(model)), workFolder_(std::move(workFolder)), burnedFolder_(std::move(burnedFolder)) {
  writeSpeed_ = model_.writeSpeeds.empty() ? 0 : model_.writeSpeeds.front();
  std::lock_guard lock(mutex_);
  // The tray is read under the folder's lock, so that a disc another process
  // is writing is never taken for a damaged one; while that process holds it,
  // the tray is read by the first claim instead.
  if (LockFolder() == ClaimResult::Busy) return;
  Reload();
  startupProblem_ = trayProblem_;
  snapshot_ = SnapshotTrayFiles(workFolder_);
  folderLock_.Release();
}

VirtualRecorder::~VirtualRecorder() {
  std::lock_guard lock(mutex_);
  if (claims_ > 0) SaveDisc();
}

VirtualRecorder::ClaimResult VirtualRecorder::LockFolder() {
  std::error_code ignored;
  fs::create_directories(workFolder_, ignored);
  std::string error;
  folderLock_ = platform::TryLockFolder(workFolder_, error);
  // A folder that cannot carry a lock (not writable, not there) cannot carry
  // a disc either: the commands that need one report that themselves.
  return folderLock_.held() || !error.empty() ? ClaimResult::Claimed : ClaimResult::Busy;
}

void VirtualRecorder::Reload() {
  if (loaded_ && SnapshotTrayFiles(workFolder_) == snapshot_) return;
  loaded_ = true;
  RestoredTray tray = RestoreTray(model_, workFolder_);
  disc_ = std::move(tray.disc);
  trayProblem_ = std::move(tray.problem);
  simulation_.reset();
  if (disc_ && IsRecordable(disc_->state.kind) && IsCdMedium(disc_->state.kind)) blankMinutes_ = disc_->state.minutes;
  snapshot_ = SnapshotTrayFiles(workFolder_);
}

VirtualRecorder::ClaimResult VirtualRecorder::Claim() {
  std::lock_guard lock(mutex_);
  if (claims_ == 0) {
    if (LockFolder() == ClaimResult::Busy) return ClaimResult::Busy;
    // Another process may have changed the tray since this one last held it.
    Reload();
  }
  ++claims_;
  return ClaimResult::Claimed;
}

void VirtualRecorder::Release() {
  std::lock_guard lock(mutex_);
  if (claims_ == 0) return;
  if (--claims_ > 0) return;
  if (!SaveDisc() && disc_) disc_->Flush();
  snapshot_ = SnapshotTrayFiles(workFolder_);
  folderLock_.Release();
}

CommandOutcome VirtualRecorder::Execute(const ScsiRequest& request) {
  if (request.cdb == nullptr || request.cdbLength == 0 || request.cdbLength > 16 ||
      (request.length > 0 && request.buffer == nullptr)) {
    return TransportResult::TransportFailure;
  }
  Call call{request, request.cdb, std::nullopt, std::nullopt};
  Outcome outcome;
  std::string problem;
  WriteProblemObserver problemObserver;
  {
    std::lock_guard lock(mutex_);
    outcome = Dispatch(call);
    CommandRecord record;
    std::copy(request.cdb, request.cdb + request.cdbLength, record.cdb.begin());
    record.cdbLength = request.cdbLength;
    record.direction = request.direction;
    record.dataLength = request.length;
    record.result = outcome.result;
    record.sense = outcome.sense;
    log_.Append(record);
    lastSense_ = outcome.sense;
    problem.swap(writeProblem_);
    problemObserver = writeProblemObserver_;
  }
  if (!problem.empty() && problemObserver) problemObserver(problem);
  if (call.finishedImage) {
    TrayResult finished;
    finished.finishedImage = *call.finishedImage;
    NotifyFinished(finished);
  }
  std::optional<SenseCode> sense;
  if (outcome.sense) sense = SenseCode{outcome.sense->key, outcome.sense->asc, outcome.sense->ascq};
  const std::uint32_t residual =
      call.dataInBytes && outcome.result == TransportResult::Good ? request.length - *call.dataInBytes : 0;
  return CommandOutcome(outcome.result, sense, residual);
}

VirtualRecorder::Outcome VirtualRecorder::Dispatch(Call& call) {
  const Command* command = CommandOf(call.cdb[0]);
  if (command == nullptr) return Refuse(sense::kInvalidOpcode);
  if (call.request.cdbLength < command->cdbLength) return Refuse(sense::kInvalidFieldInCdb);
  if (command->countBytes > 0) {
    call.lba = static_cast<std::int32_t>(bytes::ReadBe32(call.cdb + 2));
    for (std::uint8_t index = 0; index < command->countBytes; ++index) {
      call.blocks = call.blocks << 8 | call.cdb[command->countAt + index];
    }
  }
  const auto faultBlocks = static_cast<std::int32_t>(std::min<std::uint32_t>(call.blocks, 0x7FFFFFFF));
  if (const auto fault = faults_.Take(command->opcode, call.lba, faultBlocks)) {
    if (fault->transportFailure) return {TransportResult::TransportFailure, std::nullopt};
    return Refuse(fault->sense);
  }
  if (!disc_ && command->needsMedium) return Refuse(sense::kMediumNotPresent);
  return (this->*command->handler)(call);
}

VirtualRecorder::Outcome VirtualRecorder::StartStopUnit(Call& call) {
  const bool loadEject = (call.cdb[4] & 0x02) != 0;
  const bool start = (call.cdb[4] & 0x01) != 0;
  if (!loadEject || start) return {};
  TrayResult result = Replace(DiscImage::Blank(model_.blankKind, workFolder_, blankMinutes_),
                              TrayRecord::Blank(model_.blankKind, blankMinutes_));
  if (!result.ok) {
    NoteWriteProblem(result.message);
    return Refuse(sense::kWriteError);
  }
  if (!result.finishedImage.empty()) call.finishedImage = result.finishedImage;
  return {};
}

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

VirtualRecorder::Outcome VirtualRecorder::ReserveTrack(Call& call) {
  if ((call.cdb[1] & 0x01) != 0) return Refuse(sense::kInvalidFieldInCdb);
  const auto blocks = static_cast<std::int32_t>(std::min<std::uint32_t>(bytes::ReadBe32(call.cdb + 5), 0x7FFFFFFF));
  DiscState& state = StateForWriting();
  if (const auto refused = state.CheckReserve(blocks)) return Refuse(*refused);
  state.ApplyReserve(blocks);
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::SynchronizeCache(Call&) {
  DiscState& state = StateForWriting();
  if (state.ReservationFullyWritten()) {
    const auto fills = state.ApplyCloseSession(writeParameters_.multiSessionField(), writeParameters_.sessionFormat());
    if (!simulation_ && !ApplyFills(fills)) return FileFailure();
  }
  if (!disc_->Flush()) return FileFailure();
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::CloseTrackSession(Call& call) {
  const std::uint8_t function = call.cdb[2] & 0x07;
  DiscState& state = StateForWriting();
  std::vector<DriveFill> fills;
  if (function == 1) {
    if (const auto refused = state.CheckCloseTrack(bytes::ReadBe16(call.cdb + 4))) return Refuse(*refused);
    fills = state.ApplyCloseTrack();
  } else if (function == 2) {
    if (const auto refused = state.CheckCloseSession()) return Refuse(*refused);
    fills = state.ApplyCloseSession(writeParameters_.multiSessionField(), writeParameters_.sessionFormat());
  } else {
    return Refuse(sense::kInvalidFieldInCdb);
  }
  if (!simulation_ && !ApplyFills(fills)) return FileFailure();
  if (!SaveDisc()) return Refuse(sense::kWriteError);
  return {};
}

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

VirtualRecorder::Outcome VirtualRecorder::Write(Call& call) {
  const std::int32_t lba = call.lba;
  const std::uint32_t count = call.blocks;
  DiscState& state = StateForWriting();
  const bool cd = IsCdMedium(state.kind);
  const std::uint8_t writeType = writeParameters_.writeType();
  // Track at once on CD; session at once on DVD-R. Session at once on CD would
  // need a cue sheet, which this recorder does not take.
  if (IsRecordable(state.kind) && !state.finalized && ((cd && writeType != 1) || (!cd && writeType != 2))) {
    return Refuse(sense::kIllegalModeForThisTrack);
  }
  const std::uint32_t blockSize = writeParameters_.BlockSize();
  if (!cd && blockSize != 2048) return Refuse(sense::kIllegalModeForThisTrack);
  const std::uint64_t expectedBytes = static_cast<std::uint64_t>(count) * blockSize;
  const std::uint64_t sentBytes = call.request.direction == DataDirection::Out ? call.request.length : 0;
  if (expectedBytes != sentBytes) return Refuse(sense::kInvalidFieldInCdb);
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
  const bool written = cd ? WriteEncoded(lba, count, call.request.buffer)
                          : disc_->WriteBlocks(lba, blocks, call.request.buffer);
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

const DiscState& VirtualRecorder::CurrentState() const { return simulation_ ? *simulation_ : disc_->state; }

DiscState& VirtualRecorder::StateForWriting() {
  if (writeParameters_.testWrite()) {
    if (!simulation_) simulation_ = disc_->state;
    return *simulation_;
  }
  return disc_->state;
}

bool VirtualRecorder::SaveDisc() {
  if (!disc_ || !disc_->recorded()) return true;
  std::string error;
  if (disc_->SaveDescription(error)) return true;
  NoteWriteProblem(error);
  return false;
}

VirtualRecorder::Outcome VirtualRecorder::FileFailure() {
  NoteWriteProblem(disc_->lastError());
  return Refuse(sense::kWriteError);
}

void VirtualRecorder::NoteWriteProblem(const std::string& detail) {
  writeProblem_ = "the virtual recorder " + model_.shortName + " could not write its disc files in " +
                  workFolder_.string() + ": " + detail;
}

TrayResult VirtualRecorder::Replace(std::optional<DiscImage> next, const TrayRecord& record) {
  TrayResult result;
  std::string error;
  // Recorded first: a later run must not find the tray as it was before this action.
  if (!WriteTrayRecord(workFolder_, record, error)) {
    result.ok = false;
    result.message = "cannot record what is in the tray: " + error;
    return result;
  }
  if (disc_ && disc_->recorded()) {
    const auto kept = disc_->MoveTo(burnedFolder_, UniqueBurnedName(), error);
    if (!kept) {
      result.ok = false;
      result.message = "cannot keep the written disc: " + error;
      return result;
    }
    result.finishedImage = *kept;
  }
  disc_ = std::move(next);
  simulation_.reset();
  trayProblem_.clear();
  return result;
}

std::string VirtualRecorder::UniqueBurnedName() const {
  const std::time_t now = std::time(nullptr);
  const std::tm utc = platform::UtcTime(now);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
  const std::string base = model_.shortName + "-" + stamp;
  std::string name = base;
  for (int suffix = 2;; ++suffix) {
    bool taken = false;
    for (const char* extension : {".bin", ".iso", ".cue", ".state"}) {
      std::error_code ignored;
      taken = taken || fs::exists(burnedFolder_ / (name + extension), ignored);
    }
    if (!taken) return name;
    name = base + "-" + std::to_string(suffix);
  }
}

void VirtualRecorder::NotifyFinished(const TrayResult& result) {
  if (result.finishedImage.empty()) return;
  FinishedImageObserver observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) observer(result.finishedImage);
}

std::string VirtualRecorder::DescribeTray() const {
  std::lock_guard lock(mutex_);
  if (trayProblem_.empty()) return DescribeDisc();
  if (!disc_) return "no disc: " + trayProblem_;
  return DescribeDisc() + "\n" + trayProblem_;
}

std::string VirtualRecorder::DescribeDisc() const {
  if (!disc_) return "no disc (the tray is empty)";
  const DiscState& state = disc_->state;
  std::ostringstream text;
  const std::string medium = MediumName(state.kind);
  if (state.Status() == DiscStatus::Blank) {
    text << "blank " << medium;
    if (IsCdMedium(state.kind)) {
      text << " (" << state.minutes << " min)";
    } else {
      text << " (4.7 GB)";
    }
    return text.str();
  }
  text << medium << ", " << state.sessions.size() + (state.LastSessionState() == SessionState::Incomplete ? 1 : 0)
       << " session(s), " << state.tracks.size() << " track(s)";
  for (const DiscTrack& track : state.tracks) {
    text << (track.number == 1 ? ": " : ", ") << track.number << ' ' << TrackKindText(track.kind);
  }
  if (state.finalized) {
    text << ", complete";
  } else if (state.LastSessionState() == SessionState::Empty) {
    text << ", appendable";
  } else {
    text << ", session open";
  }
  if (!disc_->sourcePath().empty()) text << " (image " << disc_->sourcePath().string() << ")";
  return text.str();
}

TrayResult VirtualRecorder::InsertBlank(MediumKind kind, int minutes) {
  TrayResult result;
  if (!IsRecordable(kind)) {
    result.ok = false;
    result.message = MediumName(kind) + " cannot be blank";
    return result;
  }
  if (minutes == 0) minutes = geometry::kDefaultCdMinutes;
  if (IsCdMedium(kind) && !IsCdSizeOffered(minutes)) {
    result.ok = false;
    result.message = "no " + std::to_string(minutes) + "-minute CD-R exists; the sizes are " + CdSizesText();
    return result;
  }
  TrayClaim claim(*this);
  if (!claim) return BusyResult();
  {
    std::lock_guard lock(mutex_);
    result = Replace(DiscImage::Blank(kind, workFolder_, minutes), TrayRecord::Blank(kind, minutes));
    if (result.ok && IsCdMedium(kind)) blankMinutes_ = minutes;
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::InsertImage(const fs::path& path) {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return BusyResult();
  {
    std::lock_guard lock(mutex_);
    // Absolute, so that a later run started elsewhere finds the same image.
    std::error_code ignored;
    const fs::path absolute = fs::absolute(path, ignored);
    const fs::path image = absolute.empty() ? path : absolute;
    DiscLoadResult loaded = DiscImage::Load(image, !IsCdMedium(model_.blankKind), workFolder_);
    if (!loaded.disc) {
      result.ok = false;
      result.message = loaded.error;
      return result;
    }
    result = Replace(std::move(*loaded.disc), TrayRecord::Image(image));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::Eject() {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return BusyResult();
  {
    std::lock_guard lock(mutex_);
    result = Replace(DiscImage::Blank(model_.blankKind, workFolder_, blankMinutes_),
                     TrayRecord::Blank(model_.blankKind, blankMinutes_));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::RemoveDisc() {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return BusyResult();
  {
    std::lock_guard lock(mutex_);
    result = Replace(std::nullopt, TrayRecord::Empty());
  }
  NotifyFinished(result);
  return result;
}

void VirtualRecorder::SetFinishedImageObserver(FinishedImageObserver observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void VirtualRecorder::SetWriteProblemObserver(WriteProblemObserver observer) {
  std::lock_guard lock(mutex_);
  writeProblemObserver_ = std::move(observer);
}

std::vector<CommandRecord> VirtualRecorder::CommandHistory() const {
  std::lock_guard lock(mutex_);
  return log_.Records();
}

void VirtualRecorder::ClearCommandHistory() {
  std::lock_guard lock(mutex_);
  log_.Clear();
}

void VirtualRecorder::ArmFault(const FaultSpec& spec) {
  std::lock_guard lock(mutex_);
  faults_.Arm(spec);
}

void VirtualRecorder::ClearFaults() {
  std::lock_guard lock(mutex_);
  faults_.Clear();
}

std::vector<std::size_t> VirtualRecorder::FaultsNeverMet() const {
  std::lock_guard lock(mutex_);
  return faults_.NeverMet();
}

std::string VirtualRecorder::StartupProblem() const {
  std::lock_guard lock(mutex_);
  return startupProblem_;
}

std::optional<Sense> VirtualRecorder::LastSense() const {
  std::lock_guard lock(mutex_);
  return lastSense_;
}

}  // namespace brenmark::virtualdrive
