#include "virtualdrive/VirtualRecorder.h"

#include <string>
#include <utility>

#include "platform/PrivateFolder.h"
#include "virtualdrive/RecorderCall.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

VirtualRecorder::VirtualRecorder(RecorderModel model, fs::path workFolder, fs::path burnedFolder,
                                 const std::vector<fs::path>& dataFolders)
    : model_(std::move(model)), workFolder_(std::move(workFolder)), burnedFolder_(std::move(burnedFolder)) {
  writeSpeed_ = model_.writeSpeeds.empty() ? 0 : model_.writeSpeeds.front();
  std::lock_guard lock(mutex_);
  folderProblem_ = CheckFolders(dataFolders, workFolder_, burnedFolder_);
  if (!folderProblem_.empty()) {
    startupProblem_ = folderProblem_;
    loaded_ = true;
    return;
  }
  // The tray is read under the folder's lock, so that a disc another process
  // is writing is never taken for a damaged one; while that process holds it
  // (or the lock cannot be taken), the tray is read by the first claim instead.
  if (LockFolder() != ClaimResult::Claimed) return;
  Reload();
  pace_.Set(ReadPace(workFolder_));
  startupProblem_ = trayProblem_;
  snapshot_ = SnapshotTrayFiles(workFolder_);
  folderLock_.Release();
}

std::string VirtualRecorder::CheckFolders(const std::vector<fs::path>& dataFolders, const fs::path& workFolder,
                                          const fs::path& burnedFolder) {
  // A data folder may be reached through a link the user made; the
  // recorder's own folders inside it are always real folders.
  std::string problem;
  for (const fs::path& folder : dataFolders) {
    if (problem.empty()) problem = platform::CheckPrivateFolder(folder, true);
  }
  if (problem.empty()) problem = platform::CheckPrivateFolder(workFolder, false);
  if (problem.empty()) problem = platform::CheckPrivateFolder(burnedFolder, false);
  if (problem.empty()) return {};
  return "refused to keep discs in a folder other users can change: " + problem;
}

VirtualRecorder::~VirtualRecorder() {
  std::lock_guard lock(mutex_);
  if (claims_ > 0) SaveDisc();
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
  std::optional<PaceClock::TimePoint> due;
  {
    std::lock_guard lock(mutex_);
    outcome = Dispatch(call);
    lastSense_ = outcome.sense;
    problem.swap(writeProblem_);
    problemObserver = writeProblemObserver_;
    due = AnswerDue(call, outcome);
  }
  // Waited for outside the lock, so that the tray can still be shown meanwhile.
  if (due) pace_.clock().SleepUntil(*due);
  if (!problem.empty() && problemObserver) problemObserver(problem);
  if (call.finishedImage) {
    TrayResult finished;
    finished.finishedImage = *call.finishedImage;
    NotifyFinished(finished);
  }
  if (outcome.result == TransportResult::TransportFailure) return CommandOutcome::NotDelivered(0, outcome.hostStatus);
  std::optional<SenseCode> sense;
  if (outcome.sense) sense = SenseCode{outcome.sense->key, outcome.sense->asc, outcome.sense->ascq};
  const std::uint32_t residual =
      call.dataInBytes && outcome.result == TransportResult::Good ? request.length - *call.dataInBytes : 0;
  return CommandOutcome(outcome.result, sense, residual);
}

const DiscState& VirtualRecorder::CurrentState() const { return simulation_ ? *simulation_ : disc_->state; }

DiscState& VirtualRecorder::StateForWriting() {
  if (writeParameters_.testWrite()) {
    if (!simulation_) simulation_ = disc_->state;
    return *simulation_;
  }
  return disc_->state;
}

bool VirtualRecorder::SaveDisc(bool durable) {
  if (!disc_ || !disc_->recorded()) return true;
  std::string error;
  if (disc_->SaveDescription(error, durable)) return true;
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

void VirtualRecorder::SetFinishedImageObserver(FinishedImageObserver observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void VirtualRecorder::SetWriteProblemObserver(WriteProblemObserver observer) {
  std::lock_guard lock(mutex_);
  writeProblemObserver_ = std::move(observer);
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

std::optional<Sense> VirtualRecorder::LastSense() const {
  std::lock_guard lock(mutex_);
  return lastSense_;
}

}  // namespace brenmark::virtualdrive
