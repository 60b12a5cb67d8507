// The tray and the recorder's place among processes: claims on the work
// folder, reading the tray again after another process, the user's tray
// actions and the eject command.
#include <ctime>
#include <sstream>
#include <string>
#include <utility>

#include "platform/LocalTime.h"
#include "platform/PrivateFolder.h"
#include "virtualdrive/DiscStateFile.h"
#include "virtualdrive/RecorderCall.h"
#include "virtualdrive/TrayRestore.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

std::string TrackKindText(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return "audio";
    case TrackKind::Mode1: return "Mode 1";
    case TrackKind::Mode2: return "Mode 2";
  }
  return "data";
}

}  // namespace

VirtualRecorder::ClaimResult VirtualRecorder::LockFolder() {
  // Folders that cannot be trusted are left alone: the recorder is refused
  // saying why, rather than found without a disc.
  if (!folderProblem_.empty()) {
    lockRefusal_ = folderProblem_;
    return ClaimResult::Refused;
  }
  std::string error;
  platform::CreatePrivateFolders(workFolder_, error);
  folderLock_ = platform::TryLockFolder(workFolder_, error);
  if (folderLock_.held()) return ClaimResult::Claimed;
  if (error.empty()) return ClaimResult::Busy;
  // Without the lock nothing keeps another program from writing the same
  // disc or taking it out meanwhile.
  lockRefusal_ = "The virtual recorder " + model_.shortName + " cannot be used: " + error;
  return ClaimResult::Refused;
}

std::string VirtualRecorder::ClaimRefusal() const {
  std::lock_guard lock(mutex_);
  return lockRefusal_;
}

void VirtualRecorder::Reload() {
  if (!folderProblem_.empty()) return;
  if (loaded_ && SnapshotTrayFiles(workFolder_) == snapshot_) return;
  // Another process took the disc out or put one in since this one last read the tray.
  const bool swapped = loaded_ && SnapshotTrayFiles(workFolder_).files.front() != snapshot_.files.front();
  const bool discBefore = disc_.has_value();
  loaded_ = true;
  RestoredTray tray = RestoreTray(model_, workFolder_);
  disc_ = std::move(tray.disc);
  trayProblem_ = std::move(tray.problem);
  simulation_.reset();
  sessionAtOnce_.reset();
  if (disc_ && IsRecordable(disc_->state.kind) && IsCdMedium(disc_->state.kind)) blankMinutes_ = disc_->state.minutes;
  snapshot_ = SnapshotTrayFiles(workFolder_);
  if (swapped) mediaChanges_.TrayChanged(discBefore, disc_.has_value());
}

void VirtualRecorder::ClaimLocked() {
  std::lock_guard lock(mutex_);
  if (claims_++ == 0) {
    Reload();
    pace_.Set(ReadPace(workFolder_));
  }
  handedOver_ = TraySignature();
}

void VirtualRecorder::ReadTrayAgain() {
  std::lock_guard lock(mutex_);
  // File times are too coarse to tell two hand-overs within one tick apart.
  loaded_ = false;
  Reload();
  // The user may have changed the pace meanwhile: it applies from the next command.
  pace_.Set(ReadPace(workFolder_));
  handedOver_ = TraySignature();
}

bool VirtualRecorder::HandOver() {
  std::lock_guard lock(mutex_);
  std::string signature = TraySignature();
  if (signature == handedOver_) {
    if (disc_) disc_->Flush();
    return false;
  }
  // Read by the other processes at once; the release makes it durable.
  if (!SaveDisc(false) && disc_) disc_->Flush();
  snapshot_ = SnapshotTrayFiles(workFolder_);
  handedOver_ = std::move(signature);
  return true;
}

std::string VirtualRecorder::TraySignature() const {
  if (!disc_) return trayProblem_;
  return disc_->imagePath().string() + "\n" + disc_->sourcePath().string() + "\n" + FormatDiscState(disc_->state);
}

HeldDriveState VirtualRecorder::HeldState() const {
  std::lock_guard lock(mutex_);
  return {removalPrevented_, mediaChanges_};
}

void VirtualRecorder::AdoptHeldState(const HeldDriveState& state) {
  std::lock_guard lock(mutex_);
  removalPrevented_ = state.removalPrevented;
  mediaChanges_ = state.media;
}

void VirtualRecorder::SetHolderTurns(std::shared_ptr<HolderTurns> turns) {
  std::lock_guard lock(mutex_);
  holderTurns_ = std::move(turns);
}

bool VirtualRecorder::HeldThroughDevice() const {
  std::lock_guard lock(mutex_);
  return holderTurns_ && holderTurns_->Holding(workFolder_);
}

std::optional<std::string> VirtualRecorder::DescribeHeldTray() {
  std::lock_guard lock(mutex_);
  if (!holderTurns_ || !folderProblem_.empty() || claims_ > 0) return std::nullopt;
  switch (holderTurns_->TakeTurn(workFolder_)) {
    case HolderTurns::Turn::NoHolder: return std::nullopt;
    case HolderTurns::Turn::Busy: return std::string(kBeingWrittenMessage);
    case HolderTurns::Turn::Taken: break;
  }
  // Only read: nothing is handed back, so the holders keep their place.
  loaded_ = false;
  Reload();
  pace_.Set(ReadPace(workFolder_));
  holderTurns_->EndTurn();
  return DescribeTrayUnlocked() + "\n" + kHeldNote;
}

bool VirtualRecorder::ClaimBesideHolders(std::string& refusal, bool changesDisc) {
  std::lock_guard lock(mutex_);
  if (!holderTurns_ || !folderProblem_.empty()) return false;
  switch (holderTurns_->TakeTurn(workFolder_)) {
    case HolderTurns::Turn::NoHolder: return false;
    case HolderTurns::Turn::Busy: refusal = kBeingWrittenMessage; return false;
    case HolderTurns::Turn::Taken: break;
  }
  ++claims_;
  loaded_ = false;
  Reload();
  pace_.Set(ReadPace(workFolder_));
  const HeldDriveState held = holderTurns_->State();
  removalPrevented_ = held.removalPrevented;
  mediaChanges_ = held.media;
  // Counted as a hand-over before any file changes: should this process die
  // within its turn, the holders still read the tray again from the files
  // rather than go on with a disc that may have been moved away.
  holderTurns_->HandOver(held);
  // Taken out between two writes, the disc would stay half written and the
  // program writing it would lose its place.
  if (changesDisc && disc_ && !disc_->state.formatted && disc_->state.LastSessionState() == SessionState::Incomplete) {
    refusal = kBeingWrittenMessage;
    --claims_;
    removalPrevented_ = false;
    mediaChanges_ = MediaChanges();
    holderTurns_->EndTurn();
    return false;
  }
  return true;
}

void VirtualRecorder::ReleaseBesideHolders() {
  std::lock_guard lock(mutex_);
  const HeldDriveState held{removalPrevented_, mediaChanges_};
  --claims_;
  // The holders keep the lock and report the change; this process does neither.
  removalPrevented_ = false;
  mediaChanges_ = MediaChanges();
  if (!SaveDisc() && disc_) disc_->Flush();
  snapshot_ = SnapshotTrayFiles(workFolder_);
  holderTurns_->HandOver(held);
  holderTurns_->EndTurn();
}

VirtualRecorder::ClaimResult VirtualRecorder::Claim() {
  std::lock_guard lock(mutex_);
  if (claims_ == 0) {
    if (const ClaimResult locked = LockFolder(); locked != ClaimResult::Claimed) return locked;
    // Another process may have changed the tray or the pace since this one last held it.
    Reload();
    pace_.Set(ReadPace(workFolder_));
  }
  ++claims_;
  return ClaimResult::Claimed;
}

void VirtualRecorder::Release() {
  std::lock_guard lock(mutex_);
  if (claims_ == 0) return;
  if (--claims_ > 0) return;
  // The lock of the tray ends with the last holder, as a drive's ends when its device is closed.
  removalPrevented_ = false;
  if (!SaveDisc() && disc_) disc_->Flush();
  snapshot_ = SnapshotTrayFiles(workFolder_);
  folderLock_.Release();
}

VirtualRecorder::Outcome VirtualRecorder::StartStopUnit(Call& call) {
  const bool loadEject = (call.cdb[4] & 0x02) != 0;
  const bool start = (call.cdb[4] & 0x01) != 0;
  if (!loadEject || start) return {};
  if (removalPrevented_) return Refuse(sense::kMediumRemovalPrevented);
  TrayResult result = SwapDisc(DiscImage::Blank(model_.blankKind, workFolder_, blankMinutes_),
                              TrayRecord::Blank(model_.blankKind, blankMinutes_), true);
  if (!result.ok) {
    // A disc not kept is still whole in the work folder: the message says what failed instead.
    if (!discNotKept_.empty()) {
      writeProblem_ = "the virtual recorder " + model_.shortName + " " + result.message;
    } else {
      NoteWriteProblem(result.message);
    }
    return Refuse(sense::kWriteError);
  }
  if (!result.finishedImage.empty()) call.finishedImage = result.finishedImage;
  return {};
}

TrayResult VirtualRecorder::Replace(std::optional<DiscImage> next, const TrayRecord& record) {
  TrayResult result;
  if (!folderProblem_.empty()) {
    result.ok = false;
    result.message = folderProblem_;
    return result;
  }
  std::string error;
  const bool written = disc_ && disc_->recorded();
  discNotKept_.clear();
  // Recorded first: a later run must not find the tray as it was before this action.
  if (!WriteTrayRecord(workFolder_, record, error)) {
    result.ok = false;
    result.message = "cannot record what is in the tray: " + error;
    if (written) discNotKept_ = result.message;
    return result;
  }
  if (written) {
    const auto kept = disc_->MoveTo(burnedFolder_, UniqueBurnedName(), error);
    if (!kept) {
      result.ok = false;
      result.message = "cannot keep the written disc: " + error;
      discNotKept_ = error;
      return result;
    }
    result.finishedImage = *kept;
  }
  disc_ = std::move(next);
  simulation_.reset();
  sessionAtOnce_.reset();
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
    lastKept_ = result.finishedImage;
    observer = observer_;
  }
  if (observer) observer(result.finishedImage);
}

std::string VirtualRecorder::DescribeTray() const {
  std::lock_guard lock(mutex_);
  return DescribeTrayUnlocked();
}

std::string VirtualRecorder::DescribeTrayUnlocked() const {
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
  if (state.formatted) {
    text << medium << (state.kind == MediumKind::DvdRw ? ", formatted for restricted overwrite" : ", formatted");
    if (!disc_->sourcePath().empty()) text << " (image " << disc_->sourcePath().string() << ")";
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
  if (!claim) return claim.Refusal();
  {
    std::lock_guard lock(mutex_);
    result = SwapDisc(DiscImage::Blank(kind, workFolder_, minutes), TrayRecord::Blank(kind, minutes));
    if (result.ok && IsCdMedium(kind)) blankMinutes_ = minutes;
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::InsertImage(const fs::path& path) {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return claim.Refusal();
  {
    std::lock_guard lock(mutex_);
    // Absolute, so that a later run started elsewhere finds the same image.
    std::error_code ignored;
    const fs::path absolute = fs::absolute(path, ignored);
    const fs::path image = absolute.empty() ? path : absolute;
    // The recorder's own working disc would be moved away from under itself
    // by the swap, leaving the tray naming nothing: whether the sheet itself
    // or only the sector file it names lies in the working folder.
    const auto inWorkFolder = [this](const fs::path& file) {
      std::error_code error;
      return fs::equivalent(fs::weakly_canonical(file, error).parent_path(), workFolder_, error);
    };
    const auto refuseWorkingDisc = [&result, &image] {
      result.ok = false;
      result.message = image.string() + " is the recorder's own working disc; it cannot be inserted";
      return result;
    };
    if (inWorkFolder(image)) return refuseWorkingDisc();
    DiscLoadResult loaded = DiscImage::Load(image, !IsCdMedium(model_.blankKind), workFolder_);
    if (!loaded.disc) {
      result.ok = false;
      result.message = loaded.error;
      return result;
    }
    if (inWorkFolder(loaded.disc->imagePath())) return refuseWorkingDisc();
    result = SwapDisc(std::move(*loaded.disc), TrayRecord::Image(image));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::Eject() {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return claim.Refusal();
  {
    std::lock_guard lock(mutex_);
    result = SwapDisc(DiscImage::Blank(model_.blankKind, workFolder_, blankMinutes_),
                      TrayRecord::Blank(model_.blankKind, blankMinutes_));
  }
  NotifyFinished(result);
  return result;
}

TrayResult VirtualRecorder::RemoveDisc() {
  TrayResult result;
  TrayClaim claim(*this);
  if (!claim) return claim.Refusal();
  {
    std::lock_guard lock(mutex_);
    result = SwapDisc(std::nullopt, TrayRecord::Empty());
  }
  NotifyFinished(result);
  return result;
}

std::string VirtualRecorder::DiscNotKeptReason() const {
  std::lock_guard lock(mutex_);
  return discNotKept_;
}

std::filesystem::path VirtualRecorder::LastKeptImage() const {
  std::lock_guard lock(mutex_);
  return lastKept_;
}

std::string VirtualRecorder::StartupProblem() const {
  std::lock_guard lock(mutex_);
  return startupProblem_;
}

}  // namespace brenmark::virtualdrive
