#include "virtualdrive/VirtualRecorder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <sstream>
#include <utility>

#include "virtualdrive/DiscResponses.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kBufferBytes = 2048 * 1024;

std::uint16_t Get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

std::uint32_t Get24(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 16 | static_cast<std::uint32_t>(at[1]) << 8 | at[2];
}

std::uint32_t Get32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) << 24 | static_cast<std::uint32_t>(at[1]) << 16 |
         static_cast<std::uint32_t>(at[2]) << 8 | at[3];
}

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value >> 16);
  Put16(at + 2, value);
}

// CDB length of an opcode's command group.
std::uint8_t CdbLengthOf(std::uint8_t opcode) {
  if (opcode < 0x20) return 6;
  if (opcode < 0x60) return 10;
  if (opcode >= 0xA0 && opcode < 0xC0) return 12;
  return 16;
}

void AppendFeature(std::vector<std::uint8_t>& out, std::uint16_t code, std::uint8_t version, bool current,
                   std::initializer_list<std::uint8_t> data) {
  const std::uint8_t header[4] = {
      static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code),
      static_cast<std::uint8_t>(version << 2 | (code <= 1 ? 0x02 : 0) | (current ? 1 : 0)),
      static_cast<std::uint8_t>(data.size())};
  out.reserve(out.size() + sizeof header + data.size());
  out.insert(out.end(), std::begin(header), std::end(header));
  for (const std::uint8_t byte : data) out.push_back(byte);
}

std::uint16_t ProfileOf(MediumKind kind) {
  switch (kind) {
    case MediumKind::CdRom: return 0x0008;
    case MediumKind::CdR: return 0x0009;
    case MediumKind::CdRw: return 0x000A;
    case MediumKind::DvdRom: return 0x0010;
    case MediumKind::DvdR: return 0x0011;
  }
  return 0;
}

// The commands that need a disc; without one a drive answers "medium not present".
bool NeedsMedium(std::uint8_t opcode) {
  switch (opcode) {
    case 0x25:  // READ CAPACITY
    case 0x2A:  // WRITE(10)
    case 0x35:  // SYNCHRONIZE CACHE
    case 0x43:  // READ TOC/PMA/ATIP
    case 0x51:  // READ DISC INFORMATION
    case 0x52:  // READ TRACK INFORMATION
    case 0x53:  // RESERVE TRACK
    case 0x5B:  // CLOSE TRACK/SESSION
    case 0xAA:  // WRITE(12)
    case 0xBE:  // READ CD
      return true;
    default:
      return false;
  }
}

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
    : model_(std::move(model)),
      workFolder_(std::move(workFolder)),
      burnedFolder_(std::move(burnedFolder)),
      disc_(DiscImage::Blank(model_.blankKind, workFolder_)) {
  writeSpeed_ = model_.writeSpeeds.empty() ? 0 : model_.writeSpeeds.front();
  DiscLoadResult resumed = DiscImage::Resume(workFolder_);
  if (resumed.disc) {
    disc_ = std::move(*resumed.disc);
  } else if (!resumed.error.empty()) {
    const fs::path keptAs = SetAsideWorkFiles(workFolder_);
    startupProblem_ = resumed.error + "; its files were kept as " + keptAs.string() + ".*";
    // The record may name what was in the tray before that disc; the blank replaces both.
    ForgetTrayRecord(workFolder_);
  } else {
    RestoreTray();
  }
}

void VirtualRecorder::RestoreTray() {
  const TrayRecordResult read = ReadTrayRecord(workFolder_);
  if (!read.record) {
    if (!read.error.empty()) {
      startupProblem_ = read.error + "; a blank was loaded instead";
      ForgetTrayRecord(workFolder_);
    }
    return;
  }
  const TrayRecord& record = *read.record;
  switch (record.content) {
    case TrayRecord::Content::Blank:
      disc_ = DiscImage::Blank(record.blankKind, workFolder_);
      return;
    case TrayRecord::Content::Empty:
      disc_.reset();
      return;
    case TrayRecord::Content::Image: {
      DiscLoadResult loaded = DiscImage::Load(record.image, !IsCdMedium(model_.blankKind), workFolder_);
      if (loaded.disc) {
        disc_ = std::move(*loaded.disc);
        return;
      }
      startupProblem_ =
          "the image in the tray can no longer be read (" + loaded.error + "); a blank was loaded instead";
      ForgetTrayRecord(workFolder_);
      return;
    }
  }
}

VirtualRecorder::~VirtualRecorder() {
  std::lock_guard lock(mutex_);
  SaveDisc();
}

CommandOutcome VirtualRecorder::Execute(const ScsiRequest& request) {
  if (request.cdb == nullptr || request.cdbLength == 0 || request.cdbLength > 16 ||
      (request.length > 0 && request.buffer == nullptr)) {
    return TransportResult::TransportFailure;
  }
  Call call{request, request.cdb, std::nullopt, std::nullopt};
  Outcome outcome;
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
  }
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
  const std::uint8_t opcode = call.cdb[0];
  if (call.request.cdbLength < CdbLengthOf(opcode)) {
    return {TransportResult::DeviceFailure, sense::kInvalidFieldInCdb};
  }
  std::int32_t lba = 0;
  std::uint32_t blocks = 0;
  if (opcode == 0x2A) {
    lba = static_cast<std::int32_t>(Get32(call.cdb + 2));
    blocks = Get16(call.cdb + 7);
  } else if (opcode == 0xAA) {
    lba = static_cast<std::int32_t>(Get32(call.cdb + 2));
    blocks = Get32(call.cdb + 6);
  } else if (opcode == 0xBE) {
    lba = static_cast<std::int32_t>(Get32(call.cdb + 2));
    blocks = Get24(call.cdb + 6);
  }
  if (const auto fault = faults_.Take(opcode, lba, static_cast<std::int32_t>(std::min<std::uint32_t>(blocks, 0x7FFFFFFF)))) {
    if (fault->transportFailure) return {TransportResult::TransportFailure, std::nullopt};
    return {TransportResult::DeviceFailure, fault->sense};
  }
  if (!disc_ && NeedsMedium(opcode)) return Refuse(sense::kMediumNotPresent);
  switch (opcode) {
    case 0x1B: return StartStopUnit(call);
    case 0x12: return Inquiry(call);
    case 0x46: return GetConfiguration(call);
    case 0x51: return ReadDiscInformation(call);
    case 0x52: return ReadTrackInformation(call);
    case 0x43: return ReadToc(call);
    case 0x25: return ReadCapacity(call);
    case 0x5A: return ModeSense(call);
    case 0x55: return ModeSelect(call);
    case 0xBB: return SetCdSpeed(call);
    case 0x53: return ReserveTrack(call);
    case 0x35: return SynchronizeCache(call);
    case 0x5B: return CloseTrackSession(call);
    case 0xBE: return ReadCd(call);
    case 0x2A:
    case 0xAA: return Write(call, lba, blocks);
    case 0x5C: return ReadBufferCapacity(call);
    default: break;
  }
  return {TransportResult::DeviceFailure, sense::kInvalidOpcode};
}

VirtualRecorder::Outcome VirtualRecorder::StartStopUnit(Call& call) {
  const bool loadEject = (call.cdb[4] & 0x02) != 0;
  const bool start = (call.cdb[4] & 0x01) != 0;
  if (!loadEject || start) return {};
  TrayResult result = Replace(DiscImage::Blank(model_.blankKind, workFolder_), TrayRecord::Blank(model_.blankKind));
  if (!result.ok) return Refuse(sense::kWriteError);
  if (!result.finishedImage.empty()) call.finishedImage = result.finishedImage;
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::Inquiry(Call& call) {
  if ((call.cdb[1] & 0x01) != 0 || call.cdb[2] != 0) return Refuse(sense::kInvalidFieldInCdb);
  std::vector<std::uint8_t> response(36, 0);
  response[0] = 0x05;  // CD/DVD device
  response[1] = 0x80;  // removable medium
  response[2] = 0x05;
  response[3] = 0x02;
  response[4] = static_cast<std::uint8_t>(response.size() - 5);
  const auto putText = [&response](std::size_t at, std::size_t width, const std::string& text) {
    for (std::size_t index = 0; index < width; ++index) {
      response[at + index] = static_cast<std::uint8_t>(index < text.size() ? text[index] : ' ');
    }
  };
  putText(8, 8, model_.vendor);
  putText(16, 16, model_.product);
  putText(32, 4, model_.revision);
  call.DataIn(response, Get16(call.cdb + 3));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::GetConfiguration(Call& call) {
  const std::uint8_t requestType = call.cdb[1] & 0x03;
  if (requestType == 3) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint16_t startingFeature = Get16(call.cdb + 2);
  // With the tray empty no profile is current, nor any feature of a medium.
  // With an empty tray no profile and no medium feature is current.
  const bool loaded = disc_.has_value();
  const MediumKind medium = loaded ? CurrentState().kind : MediumKind::CdR;
  const bool cd = loaded && IsCdMedium(medium);
  const bool dvd = loaded && !IsCdMedium(medium);
  const std::uint16_t currentProfile = loaded ? ProfileOf(medium) : 0;

  struct Feature {
    std::uint16_t code;
    std::vector<std::uint8_t> bytes;
    bool current;
  };
  std::vector<Feature> features;
  const auto add = [&features](std::uint16_t code, std::uint8_t version, bool current,
                               std::initializer_list<std::uint8_t> data) {
    Feature feature{code, {}, current};
    AppendFeature(feature.bytes, code, version, current, data);
    features.push_back(std::move(feature));
  };
  constexpr std::array<std::uint16_t, 5> kProfiles = {0x0011, 0x0010, 0x000A, 0x0009, 0x0008};
  Feature profileList{0x0000, {0x00, 0x00, 0x03, static_cast<std::uint8_t>(4 * kProfiles.size())}, true};
  for (const std::uint16_t profile : kProfiles) {
    profileList.bytes.push_back(static_cast<std::uint8_t>(profile >> 8));
    profileList.bytes.push_back(static_cast<std::uint8_t>(profile));
    profileList.bytes.push_back(profile == currentProfile ? 1 : 0);
    profileList.bytes.push_back(0);
  }
  features.push_back(std::move(profileList));
  const std::uint32_t standard = model_.interfaceStandard;
  add(0x0001, 2, true,
      {static_cast<std::uint8_t>(standard >> 24), static_cast<std::uint8_t>(standard >> 16),
       static_cast<std::uint8_t>(standard >> 8), static_cast<std::uint8_t>(standard), 0x01, 0, 0, 0});
  add(0x0002, 1, true, {0, 0, 0, 0});
  add(0x0003, 0, true, {0x29, 0, 0, 0});
  add(0x001E, 1, cd, {0, 0, 0, 0});
  add(0x001F, 0, dvd, {0, 0, 0, 0});
  // Data block types 0, 8, 10, 12 and 13.
  add(0x002D, 2, cd && IsRecordable(medium), {0x46, 0, 0x35, 0x01});
  add(0x002F, 1, dvd && medium == MediumKind::DvdR, {0x44, 0, 0, 0});

  std::vector<std::uint8_t> response(8, 0);
  Put16(response.data() + 6, currentProfile);
  for (const Feature& feature : features) {
    if (feature.code < startingFeature) continue;
    if (requestType == 1 && !feature.current) continue;
    if (requestType == 2 && feature.code != startingFeature) continue;
    response.insert(response.end(), feature.bytes.begin(), feature.bytes.end());
  }
  Put32(response.data(), static_cast<std::uint32_t>(response.size() - 4));
  call.DataIn(response, Get16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadDiscInformation(Call& call) {
  if ((call.cdb[1] & 0x07) != 0) return Refuse(sense::kInvalidFieldInCdb);
  call.DataIn(DiscInformation(CurrentState()), Get16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadTrackInformation(Call& call) {
  Response response = TrackInformation(CurrentState(), call.cdb[1] & 0x03, Get32(call.cdb + 2));
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, Get16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadToc(Call& call) {
  std::uint8_t format = call.cdb[2] & 0x0F;
  if (format == 0) format = call.cdb[9] >> 6;  // the older place of the format
  const bool msf = (call.cdb[1] & 0x02) != 0;
  Response response = TableOfContents(CurrentState(), format, msf, call.cdb[6]);
  if (response.error) return Refuse(*response.error);
  call.DataIn(response.data, Get16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadCapacity(Call& call) {
  call.DataIn(Capacity(CurrentState()), 8);
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ModeSense(Call& call) {
  const std::uint8_t control = call.cdb[2] >> 6;
  const std::uint8_t pageCode = call.cdb[2] & 0x3F;
  if (call.cdb[3] != 0) return Refuse(sense::kInvalidFieldInCdb);
  if (control == 3) return Refuse(sense::kSavingParametersNotSupported);
  std::vector<std::uint8_t> response(8, 0);
  const auto appendWriteParameters = [&]() {
    std::array<std::uint8_t, WriteParameters::kPageSize> page = control == 2 ? WriteParameters().page()
                                                                             : writeParameters_.page();
    if (control == 1) {
      // Changeable: every field the recorder takes from MODE SELECT.
      page.fill(0);
      page[0] = WriteParameters::kPageCode;
      page[1] = WriteParameters::kPageSize - 2;
      for (std::size_t at : {2, 3, 4, 8, 10, 11, 12, 13, 14, 15, 48, 49, 50, 51}) page[at] = 0xFF;
    }
    response.insert(response.end(), page.begin(), page.end());
  };
  const auto appendCapabilities = [&]() {
    std::vector<std::uint8_t> page = CapabilitiesPage(model_, writeSpeed_);
    if (control == 1) std::fill(page.begin() + 2, page.end(), std::uint8_t{0});
    response.insert(response.end(), page.begin(), page.end());
  };
  if (pageCode == 0x05) {
    appendWriteParameters();
  } else if (pageCode == 0x2A) {
    appendCapabilities();
  } else if (pageCode == 0x3F) {
    appendWriteParameters();
    appendCapabilities();
  } else {
    return Refuse(sense::kInvalidFieldInCdb);
  }
  Put16(response.data(), static_cast<std::uint32_t>(response.size() - 2));
  call.DataIn(response, Get16(call.cdb + 7));
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ModeSelect(Call& call) {
  if ((call.cdb[1] & 0x10) == 0 || (call.cdb[1] & 0x01) != 0) return Refuse(sense::kInvalidFieldInCdb);
  const std::uint32_t listLength = Get16(call.cdb + 7);
  if (listLength == 0) return {};
  if (!call.hasDataOut() || listLength > call.request.length) return Refuse(sense::kInvalidFieldInCdb);
  if (listLength < 8) return Refuse(sense::kParameterListLengthError);
  const std::uint8_t* list = call.request.buffer;
  std::size_t offset = 8 + Get16(list + 6);
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
  const std::uint16_t requested = Get16(call.cdb + 4);
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
  const auto blocks = static_cast<std::int32_t>(std::min<std::uint32_t>(Get32(call.cdb + 5), 0x7FFFFFFF));
  DiscState& state = StateForWriting();
  if (const auto refused = state.CheckReserve(blocks)) return Refuse(*refused);
  state.ApplyReserve(blocks);
  SaveDisc();
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::SynchronizeCache(Call&) {
  DiscState& state = StateForWriting();
  if (state.ReservationFullyWritten()) {
    const auto fills = state.ApplyCloseSession(writeParameters_.multiSessionField(), writeParameters_.sessionFormat());
    if (!simulation_ && !ApplyFills(fills)) return Refuse(sense::kWriteError);
  }
  if (!disc_->Flush()) return Refuse(sense::kWriteError);
  SaveDisc();
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::CloseTrackSession(Call& call) {
  const std::uint8_t function = call.cdb[2] & 0x07;
  DiscState& state = StateForWriting();
  std::vector<DriveFill> fills;
  if (function == 1) {
    if (const auto refused = state.CheckCloseTrack(Get16(call.cdb + 4))) return Refuse(*refused);
    fills = state.ApplyCloseTrack();
  } else if (function == 2) {
    if (const auto refused = state.CheckCloseSession()) return Refuse(*refused);
    fills = state.ApplyCloseSession(writeParameters_.multiSessionField(), writeParameters_.sessionFormat());
  } else {
    return Refuse(sense::kInvalidFieldInCdb);
  }
  if (!simulation_ && !ApplyFills(fills)) return Refuse(sense::kWriteError);
  SaveDisc();
  return {};
}

VirtualRecorder::Outcome VirtualRecorder::ReadCd(Call& call) {
  const std::uint8_t expected = (call.cdb[1] >> 2) & 0x07;
  const auto lba = static_cast<std::int32_t>(Get32(call.cdb + 2));
  const std::uint32_t count = Get24(call.cdb + 6);
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
    // The run-out blocks of a track-at-once track cannot be read back.
    if (address >= track->end) return Refuse(sense::kUnrecoveredReadError);
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

VirtualRecorder::Outcome VirtualRecorder::Write(Call& call, std::int32_t lba, std::uint32_t count) {
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
  if (!disc_->PrepareForWriting(error)) return Refuse(sense::kWriteError);
  const std::size_t tracksBefore = state.tracks.size();
  const auto fills = state.ApplyWrite(blocks, kind);
  if (!ApplyFills(fills)) return Refuse(sense::kWriteError);
  const bool written = cd ? WriteEncoded(lba, count, call.request.buffer)
                          : disc_->WriteBlocks(lba, blocks, call.request.buffer);
  if (!written) return Refuse(sense::kWriteError);
  if (state.tracks.size() != tracksBefore) SaveDisc();
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
  Put16(response.data(), 10);
  // Writes leave the buffer at once (the image file holds back at most a few
  // sectors), so it is always empty unless a test asks for it to be full.
  const std::uint32_t free = faults_.TakeBufferFull() ? 0 : kBufferBytes;
  if (inBlocks) {
    response[3] = 0x01;
    Put32(response.data() + 8, free / 2048);
  } else {
    Put32(response.data() + 4, kBufferBytes);
    Put32(response.data() + 8, free);
  }
  call.DataIn(response, Get16(call.cdb + 7));
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

void VirtualRecorder::SaveDisc() {
  if (!disc_ || !disc_->recorded()) return;
  std::string error;
  disc_->SaveDescription(error);
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
  return result;
}

std::string VirtualRecorder::UniqueBurnedName() const {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
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
  if (!disc_) return "no disc (the tray is empty)";
  const DiscState& state = disc_->state;
  std::ostringstream text;
  const std::string medium = MediumName(state.kind);
  if (state.Status() == DiscStatus::Blank) {
    text << "blank " << medium << (state.kind == MediumKind::CdR || state.kind == MediumKind::CdRw ? " (80 min)" : " (4.7 GB)");
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

TrayResult VirtualRecorder::InsertBlank(MediumKind kind) {
  TrayResult result;
  if (!IsRecordable(kind)) {
    result.ok = false;
    result.message = MediumName(kind) + " cannot be blank";
    return result;
  }
  {
    std::lock_guard lock(mutex_);
    result = Replace(DiscImage::Blank(kind, workFolder_), TrayRecord::Blank(kind));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::InsertImage(const fs::path& path) {
  TrayResult result;
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
  {
    std::lock_guard lock(mutex_);
    result = Replace(DiscImage::Blank(model_.blankKind, workFolder_), TrayRecord::Blank(model_.blankKind));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::RemoveDisc() {
  TrayResult result;
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

std::string VirtualRecorder::StartupProblem() const {
  std::lock_guard lock(mutex_);
  return startupProblem_;
}

std::optional<Sense> VirtualRecorder::LastSense() const {
  std::lock_guard lock(mutex_);
  return lastSense_;
}

}  // namespace brenmark::virtualdrive
