#include "virtualdrive/DiscState.h"

#include <algorithm>
#include <cctype>

#include "virtualdrive/DiscGeometry.h"

namespace brenmark::virtualdrive {

bool IsCdMedium(MediumKind kind) {
  return kind == MediumKind::CdR || kind == MediumKind::CdRw || kind == MediumKind::CdRom;
}

bool IsRecordable(MediumKind kind) { return kind != MediumKind::CdRom && kind != MediumKind::DvdRom; }

bool IsErasable(MediumKind kind) {
  return kind == MediumKind::CdRw || kind == MediumKind::DvdRw || kind == MediumKind::DvdPlusRw;
}

bool IsDashDvd(MediumKind kind) { return kind == MediumKind::DvdR || kind == MediumKind::DvdRw; }

bool IsFormattable(MediumKind kind) { return kind == MediumKind::DvdRw || kind == MediumKind::DvdPlusRw; }

namespace {

constexpr MediumKind kAllMedia[] = {MediumKind::CdR,  MediumKind::CdRw,     MediumKind::CdRom,   MediumKind::DvdR,
                                    MediumKind::DvdRom, MediumKind::DvdRw, MediumKind::DvdPlusR, MediumKind::DvdPlusRw};

std::int32_t AlignToEccBlock(std::int32_t lba) {
  return (lba + geometry::kDvdEccBlocks - 1) / geometry::kDvdEccBlocks * geometry::kDvdEccBlocks;
}

}  // namespace

std::string MediumName(MediumKind kind) {
  switch (kind) {
    case MediumKind::CdR: return "CD-R";
    case MediumKind::CdRw: return "CD-RW";
    case MediumKind::CdRom: return "CD-ROM";
    case MediumKind::DvdR: return "DVD-R";
    case MediumKind::DvdRom: return "DVD-ROM";
    case MediumKind::DvdRw: return "DVD-RW";
    case MediumKind::DvdPlusR: return "DVD+R";
    case MediumKind::DvdPlusRw: return "DVD+RW";
  }
  return "unknown";
}

std::optional<MediumKind> MediumNamed(std::string_view name) {
  for (const MediumKind kind : kAllMedia) {
    const std::string known = MediumName(kind);
    if (known.size() == name.size() &&
        std::equal(known.begin(), known.end(), name.begin(),
                   [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) ==
                                               std::toupper(static_cast<unsigned char>(b)); })) {
      return kind;
    }
  }
  return std::nullopt;
}

DiscState DiscState::Blank(MediumKind kind) {
  DiscState state;
  state.kind = kind;
  return state;
}

std::int32_t DiscState::Capacity() const {
  switch (kind) {
    case MediumKind::DvdRw: return geometry::kDvdRwCapacityBlocks;
    case MediumKind::DvdPlusR:
    case MediumKind::DvdPlusRw: return geometry::kDvdPlusCapacityBlocks;
    case MediumKind::DvdR:
    case MediumKind::DvdRom: return geometry::kDvdCapacityBlocks;
    default: break;
  }
  return geometry::CdCapacityBlocks(minutes);
}

DiscStatus DiscState::Status() const {
  if (finalized) return DiscStatus::Complete;
  if (tracks.empty() && sessions.empty() && reservedBlocks == 0) return DiscStatus::Blank;
  return DiscStatus::Incomplete;
}

SessionState DiscState::LastSessionState() const {
  if (finalized) return SessionState::Complete;
  const bool openSessionHasTracks =
      !tracks.empty() && tracks.back().session > static_cast<int>(sessions.size());
  return openSessionHasTracks || reservedBlocks > 0 ? SessionState::Incomplete : SessionState::Empty;
}

int DiscState::SessionCount() const {
  return static_cast<int>(sessions.size()) + (finalized ? 0 : 1);
}

int DiscState::FirstTrackInLastSession() const {
  if (finalized) {
    const int last = sessions.back().number;
    for (const DiscTrack& track : tracks) {
      if (track.session == last) return track.number;
    }
    return tracks.empty() ? 1 : tracks.back().number;
  }
  const int open = static_cast<int>(sessions.size()) + 1;
  for (const DiscTrack& track : tracks) {
    if (track.session == open) return track.number;
  }
  return tracks.empty() ? 1 : tracks.back().number + 1;
}

int DiscState::LastTrackInLastSession() const {
  if (finalized) return tracks.empty() ? 1 : tracks.back().number;
  if (const auto next = Invisible()) return next->number;
  return tracks.empty() ? 1 : tracks.back().number;
}

const DiscTrack* DiscState::OpenTrack() const {
  if (tracks.empty() || tracks.back().closed) return nullptr;
  return &tracks.back();
}

const DiscTrack* DiscState::TrackNumbered(int number) const {
  for (const DiscTrack& track : tracks) {
    if (track.number == number) return &track;
  }
  return nullptr;
}

const DiscTrack* DiscState::TrackContaining(std::int32_t lba) const {
  for (const DiscTrack& track : tracks) {
    if (lba >= track.pregapStart && lba < track.ExtentEnd()) return &track;
  }
  return nullptr;
}

std::optional<NextTrack> DiscState::Invisible() const {
  if (finalized || !IsRecordable(kind) || OpenTrack() != nullptr) return std::nullopt;
  NextTrack next;
  next.session = static_cast<int>(sessions.size()) + 1;
  if (tracks.empty()) {
    next.number = 1;
    return next;
  }
  const DiscTrack& last = tracks.back();
  next.number = last.number + 1;
  if (!IsCdMedium(kind)) {
    if (formatted) return std::nullopt;
    next.start = last.session == next.session
                     ? AlignToEccBlock(last.ExtentEnd())
                     : AlignToEccBlock(sessions.back().leadOutStart + geometry::kDvdSessionGapBlocks);
    next.pregapStart = next.start;
    return next;
  }
  if (next.number > 99) return std::nullopt;
  if (last.session == next.session) {
    next.pregapStart = last.ExtentEnd();
  } else {
    // A new session starts behind the previous lead-out and the new lead-in.
    const DiscSession& previous = sessions.back();
    const std::int32_t leadOut =
        sessions.size() == 1 ? geometry::kFirstLeadOutBlocks : geometry::kLaterLeadOutBlocks;
    next.pregapStart = previous.leadOutStart + leadOut + geometry::kLeadInBlocks;
  }
  next.start = next.pregapStart + geometry::kPregapBlocks;
  return next;
}

std::optional<std::int32_t> DiscState::NextWritableAddress() const {
  if (const DiscTrack* open = OpenTrack()) {
    if (!IsCdMedium(kind) && reservedBlocks > 0 && open->end >= open->start + reservedBlocks) return std::nullopt;
    return open->end;
  }
  if (const auto next = Invisible()) {
    if (next->start >= Capacity()) return std::nullopt;
    return next->start;
  }
  return std::nullopt;
}

std::int32_t DiscState::FreeBlocks() const {
  const auto nwa = NextWritableAddress();
  if (!nwa) return 0;
  if (!IsCdMedium(kind) && reservedBlocks > 0) {
    const DiscTrack* open = OpenTrack();
    const std::int32_t start = open != nullptr ? open->start : *nwa;
    return start + reservedBlocks - *nwa;
  }
  return Capacity() - *nwa;
}

std::int32_t DiscState::LastRecordedBlock() const {
  // A CD's last block is the one before its last lead-out, the run-out blocks
  // of a track written at once included, whether or not the disc is closed;
  // a track written after that session is still open.
  const bool lastSessionHoldsLastTrack =
      !sessions.empty() && (tracks.empty() || tracks.back().session <= sessions.back().number);
  if (lastSessionHoldsLastTrack && (finalized || IsCdMedium(kind))) return sessions.back().leadOutStart - 1;
  if (tracks.empty()) return 0;
  const DiscTrack& last = tracks.back();
  return last.end > last.start ? last.end - 1 : (last.start > 0 ? last.start - 1 : 0);
}

std::uint8_t DiscState::DiscType() const {
  if (!IsCdMedium(kind) || sessions.empty()) return 0x00;
  return sessions.front().format;
}

std::optional<Sense> DiscState::CheckWrite(std::int32_t lba, std::int32_t count, TrackKind writeKind) const {
  if (formatted) {
    if (lba < 0 || static_cast<std::int64_t>(lba) + count > Capacity()) return sense::kLbaOutOfRange;
    return std::nullopt;
  }
  // A DVD+RW takes data once formatted.
  if (kind == MediumKind::DvdPlusRw) return sense::kIncompatibleMedium;
  if (!IsRecordable(kind) || finalized) return sense::kInvalidAddressForWrite;
  const DiscTrack* open = OpenTrack();
  if (!IsCdMedium(kind)) {
    const auto nwa = NextWritableAddress();
    const std::int32_t start = open ? open->start : nwa.value_or(0);
    const std::int64_t limit = reservedBlocks > 0 ? start + reservedBlocks : Capacity();
    if (static_cast<std::int64_t>(lba) + count > limit) return sense::kLbaOutOfRange;
  } else {
    if (open && open->kind != writeKind) return sense::kIllegalModeForThisTrack;
    if (static_cast<std::int64_t>(lba) + count > Capacity()) return sense::kLbaOutOfRange;
  }
  const auto nwa = NextWritableAddress();
  if (!nwa || lba != *nwa) return sense::kInvalidAddressForWrite;
  return std::nullopt;
}

std::vector<DriveFill> DiscState::ApplyWrite(std::int32_t count, TrackKind writeKind) {
  std::vector<DriveFill> fills;
  if (formatted) return fills;
  if (OpenTrack() == nullptr) {
    const NextTrack next = *Invisible();
    DiscTrack track;
    track.number = next.number;
    track.session = next.session;
    track.kind = writeKind;
    track.pregapStart = next.pregapStart;
    track.start = next.start;
    track.end = next.start;
    if (!tracks.empty() && tracks.back().ExtentEnd() < next.pregapStart) {
      fills.push_back({tracks.back().kind, tracks.back().ExtentEnd(), next.pregapStart});
    }
    if (next.pregapStart < next.start) fills.push_back({writeKind, next.pregapStart, next.start});
    tracks.push_back(track);
  }
  tracks.back().end += count;
  return fills;
}

std::optional<Sense> DiscState::CheckReserve(std::int32_t blocks) const {
  if (IsCdMedium(kind)) return sense::kInvalidFieldInCdb;
  if (!IsRecordable(kind) || formatted || kind == MediumKind::DvdPlusRw) return sense::kIncompatibleMedium;
  const auto next = Invisible();
  if (!next || reservedBlocks > 0) return sense::kCommandSequenceError;
  if (blocks <= 0) return sense::kInvalidFieldInCdb;
  if (static_cast<std::int64_t>(next->start) + blocks > Capacity()) return sense::kLbaOutOfRange;
  return std::nullopt;
}

void DiscState::ApplyReserve(std::int32_t blocks) { reservedBlocks = blocks; }

std::optional<Sense> DiscState::CheckCloseTrack(int number) const {
  if (!IsRecordable(kind) || finalized) return sense::kCommandSequenceError;
  if (const DiscTrack* open = OpenTrack()) {
    return open->number == number ? std::nullopt : std::optional<Sense>(sense::kInvalidFieldInCdb);
  }
  const auto next = Invisible();
  if (next && next->number == number) return std::nullopt;
  // The last track of the session being written, already closed by
  // SYNCHRONIZE CACHE: closing it again changes nothing.
  if (!tracks.empty() && tracks.back().number == number &&
      tracks.back().session > static_cast<int>(sessions.size())) {
    return std::nullopt;
  }
  return sense::kInvalidFieldInCdb;
}

std::vector<DriveFill> DiscState::ApplyCloseTrack() {
  DiscTrack* open = tracks.empty() || tracks.back().closed ? nullptr : &tracks.back();
  if (open == nullptr) return {};
  std::vector<DriveFill> fills;
  if (IsCdMedium(kind)) {
    open->runOut = geometry::kRunOutBlocks;
    fills.push_back({open->kind, open->end, open->ExtentEnd()});
  } else {
    if (open->end < open->start + reservedBlocks) {
      fills.push_back({open->kind, open->end, open->start + reservedBlocks});
      open->end = open->start + reservedBlocks;
    }
    reservedBlocks = 0;
  }
  open->closed = true;
  return fills;
}

std::optional<Sense> DiscState::CheckCloseSession() const {
  if (!IsRecordable(kind) || finalized || formatted) return sense::kCommandSequenceError;
  if (LastSessionState() == SessionState::Empty) return sense::kCommandSequenceError;
  return std::nullopt;
}

std::vector<DriveFill> DiscState::ApplyCloseSession(std::uint8_t multiSessionField, std::uint8_t format) {
  if (tracks.empty() || tracks.back().session <= static_cast<int>(sessions.size())) {
    // A DVD reservation that received no data yet: it becomes a track of zeros.
    const NextTrack next = *Invisible();
    DiscTrack track;
    track.number = next.number;
    track.session = next.session;
    track.pregapStart = next.start;
    track.start = next.start;
    track.end = next.start;
    tracks.push_back(track);
  }
  std::vector<DriveFill> fills = ApplyCloseTrack();
  DiscSession session;
  session.number = static_cast<int>(sessions.size()) + 1;
  session.leadOutStart = tracks.back().ExtentEnd();
  session.nextSessionAllowed = multiSessionField == 3;
  session.format = IsCdMedium(kind) ? format : 0;
  sessions.push_back(session);
  finalized = !session.nextSessionAllowed;
  reservedBlocks = 0;
  return fills;
}

bool DiscState::ReservationFullyWritten() const {
  const DiscTrack* open = OpenTrack();
  return !IsCdMedium(kind) && open != nullptr && reservedBlocks > 0 &&
         open->end >= open->start + reservedBlocks;
}

void DiscState::ApplyFormat() {
  tracks.clear();
  sessions.clear();
  reservedBlocks = 0;
  formatted = true;
  const std::int32_t capacity = Capacity();
  tracks.push_back({1, 1, TrackKind::Mode1, 0, 0, capacity, 0, true});
  sessions.push_back({1, capacity, false, 0});
  finalized = true;
}

std::optional<Sense> DiscState::CheckFinalize() const {
  if (kind != MediumKind::DvdPlusR || finalized) return sense::kCommandSequenceError;
  if (sessions.empty()) return sense::kCommandSequenceError;
  return std::nullopt;
}

void DiscState::ApplyFinalize() {
  sessions.back().nextSessionAllowed = false;
  finalized = true;
}

}  // namespace brenmark::virtualdrive
