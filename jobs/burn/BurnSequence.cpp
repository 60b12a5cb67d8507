#include "jobs/burn/BurnSequence.h"

#include <algorithm>
#include <cstdio>

#include "drive/DiscInformation.h"
#include "platform/Terminal.h"

namespace brenmark {
namespace {

constexpr int kModePageLength = 64;
constexpr int kWriteParametersPage = 0x05;
// A write command carries at most 255 blocks; longer runs go out in parts.
constexpr std::uint32_t kMaxBlocksPerWrite = 255;
// The disc information's status mask: the last session is incomplete.
constexpr std::uint32_t kLastSessionIncomplete = 0x80;
constexpr std::uint32_t kCompleteDisc = 0x4;

}  // namespace

BurnSequence::BurnSequence(JobContext& context)
    : context_(context),
      drive_(context.inputs.currentDrive),
      writeSpeed_(static_cast<std::int32_t>(context.inputs.writeSpeed)) {}

BurnSequence::~BurnSequence() { Close(); }

bool BurnSequence::Open() {
  Close();
  written_.Clear();
  keptImage_.reset();
  wroteAny_ = false;
  DriveResult<DriveHandle> opened = context_.registry.Open(drive_);
  openFailure_ = opened.outcome();
  if (!opened) return false;
  handle_.emplace(std::move(*opened));
  return true;
}

const char* BurnSequence::OpenFailureText(const char* otherwise) const {
  return brenmark::OpenFailureText(openFailure_, otherwise);
}

JobEnd BurnSequence::OnOpenDrive(const char* noDriveText, const std::function<JobEnd()>& body) {
  if (drive_ < 0) return context_.Stop(noDriveText, JobEnd::NoDrive);
  if (!Open()) return context_.Stop(OpenFailureText(burntext::kNoDeviceAccess), JobEnd::NoDeviceAccess);
  const JobEnd result = body();
  Close();
  return result;
}

JobEnd BurnSequence::StopUnlessWritable(DiscCheck disc, const char* notWritableText) {
  switch (disc) {
    case DiscCheck::Blank:
    case DiscCheck::Appendable:
      return JobEnd::Done;
    case DiscCheck::NoDisc:
      return context_.Stop(burntext::kNoDisc, JobEnd::NoDisc);
    case DiscCheck::Unknown:
      return context_.Stop(WithAnswer(burntext::kNoDiscInformation) + burntext::kTerminated,
                           JobEnd::NoDriveInformation);
    case DiscCheck::NotWritable:
      break;
  }
  if (BlankRewritableDisc()) return JobEnd::Done;
  return context_.Stop(IsLastSessionOpen() ? burntext::kUnfinishedDisc : notWritableText, JobEnd::DiscNotWritable);
}

bool BurnSequence::BlankRewritableDisc() {
  const DriveResult<DiscStatus> disc = handle_->GetDiscInfo();
  if (!Noted(disc) || (disc->statusMask & discinfo::kNotErasable) != 0 || (disc->statusMask & kCompleteDisc) == 0) {
    return false;
  }
  BlankRewritable how = context_.inputs.blankRewritable;
  if (how == BlankRewritable::Ask) {
    const int choice =
        context_.prompt.AskChoice(burntext::kBlankQuestion, {burntext::kBlankFast, burntext::kBlankFull});
    if (choice < 0) return false;
    how = choice == 0 ? BlankRewritable::Fast : BlankRewritable::Full;
  }
  context_.progress.SetStatus("Blanking the disc...");
  if (!Noted(handle_->BlankDisc(how == BlankRewritable::Full))) return false;
  const DriveResult<DiscSummary> blanked = handle_->ReadDiscSummary();
  return Noted(blanked) && blanked->blank;
}

bool BurnSequence::IsLastSessionOpen() {
  const DriveResult<DiscStatus> disc = handle_->GetDiscInfo();
  return Noted(disc) && (disc->statusMask & kLastSessionIncomplete) != 0;
}

bool BurnSequence::TakesCdTracks(std::int32_t freeBlocks) const {
  // The last possible lead-out of the longest CD, at 100 minutes.
  constexpr std::int32_t kLargestCdBlocks = 100 * 60 * 75 - 150;
  const Drive& recorder = context_.registry.drive(drive_);
  const bool writesCd = !recorder.capabilitiesRead || recorder.canWriteCdR != 0 || recorder.canWriteCdRw != 0;
  return writesCd && freeBlocks <= kLargestCdBlocks;
}

void BurnSequence::Close() { handle_.reset(); }

DiscCheck BurnSequence::CheckDisc(std::int32_t& firstTrack) {
  firstTrack = 1;
  const DriveResult<DiscSummary> blank = handle_->ReadDiscSummary();
  if (Noted(blank) && blank->blank) return DiscCheck::Blank;
  if (blank.outcome().sense && IsMediumNotPresent(*blank.outcome().sense)) return DiscCheck::NoDisc;
  const DriveResult<DiscSummary> appendable = handle_->ReadDiscSummary();
  // The host adapter path's one diagnostic line, told by this question alone.
  if (appendable.outcome().noCompletionEvent) platform::PrintText(stdout, "Reset event failed!!\n");
  // A question left unanswered is not told as a disc that is full.
  if (!Noted(appendable)) return DiscCheck::Unknown;
  if (!appendable->appendable) return DiscCheck::NotWritable;
  const DriveResult<DiscSummary> last = handle_->ReadDiscSummary();
  firstTrack = Noted(last) ? last->lastTrackNumber : 0;
  return DiscCheck::Appendable;
}

std::optional<std::int32_t> BurnSequence::TrackStart(std::int32_t track) {
  const DriveResult<TrackInformation> information = handle_->ReadTrackInformation(track);
  if (!Noted(information)) return std::nullopt;
  return information->startAddress;
}

std::optional<std::int32_t> BurnSequence::TrackFreeBlocks(std::int32_t track) {
  const DriveResult<TrackInformation> information = handle_->ReadTrackInformation(track);
  if (!Noted(information)) return std::nullopt;
  return information->freeBlocks;
}

bool BurnSequence::SetSpeed() { return Noted(handle_->SetSpeed(writeSpeed_, 0)); }

bool BurnSequence::SetWriteMode(const WriteMode& mode) {
  // The page is changed in place and sent back whole: a page the drive did not
  // give would send zeros for every field the job does not set.
  std::array<std::uint8_t, kModePageLength> page{};
  return Noted(handle_->ModeSense(kWriteParametersPage, page)) && Noted(handle_->SetWriteParameters(page, mode));
}

bool BurnSequence::ReserveTrack(std::int32_t blocks) { return Noted(handle_->ReserveTrack(blocks)); }

bool BurnSequence::SendCueSheet(std::span<const std::uint8_t> sheet) { return Noted(handle_->SendCueSheet(sheet)); }

WriteEnd BurnSequence::Write(SectorSource& source, WriteCommand command) {
  const int blockSize = source.blockSize();
  SectorRun run;
  for (;;) {
    switch (source.Next(run)) {
      case SourceStep::End: return WriteEnd::Written;
      case SourceStep::Failed: return WriteEnd::SourceFailed;
      case SourceStep::Run: break;
    }
    // Digested here, on the job's thread: a run is hot in the cache, and
    // handing it to the digest thread cost the burn more than digesting it.
    if (context_.inputs.verify) written_.Record(run.firstSector, blockSize, run.data);
    source.BeforeWrite(run);
    for (std::uint32_t done = 0; done < run.count;) {
      if (StopAgreed()) return WriteEnd::Stopped;
      const std::uint32_t count = std::min(run.count - done, kMaxBlocksPerWrite);
      const std::int32_t lba = run.firstSector + static_cast<std::int32_t>(done);
      const std::uint8_t* data = run.data.data() + static_cast<std::size_t>(done) * static_cast<std::size_t>(blockSize);
      const DriveStatus written = command == WriteCommand::Write12
                                      ? handle_->WriteSectors12(lba, static_cast<int>(count), blockSize, data)
                                      : handle_->WriteSectors(lba, static_cast<int>(count), blockSize, data);
      if (!Noted(written)) return WriteEnd::GivenUp;
      wroteAny_ = true;
      done += count;
    }
    source.AfterWrite(run);
  }
}

bool BurnSequence::StopAgreed() {
  if (context_.stopping) return true;
  if (!context_.StopRequested()) return false;
  if (context_.prompt.AskToStop(StopQuestion())) {
    context_.stopping = true;
    return true;
  }
  context_.DeclineStop();
  return false;
}

std::string BurnSequence::StopQuestion() {
  if (!wroteAny_) return std::string(burntext::kStopQuestion) + burntext::kStopBeforeWriting;
  // A drive that does not say is taken to hold a disc that cannot be erased:
  // the question then promises nothing that may not hold.
  const DriveResult<DiscStatus> disc = handle_->GetDiscInfo();
  const bool rewritable = disc.ok() && (disc->statusMask & discinfo::kNotErasable) == 0;
  return std::string(burntext::kStopQuestion) +
         (stoppedDisc_ == StoppedDisc::ClosedAsItIs ? burntext::kStopLeavesClosed : burntext::kStopLeavesUnusable) +
         (rewritable ? burntext::kStopRewritable : burntext::kStopWriteOnce);
}

bool BurnSequence::SynchronizeCache() { return Noted(handle_->SynchronizeCache()); }

bool BurnSequence::CloseTrack(std::int32_t track) { return Noted(handle_->CloseTrack(track)); }

bool BurnSequence::CloseSession() { return Noted(handle_->CloseSession()); }

bool BurnSequence::EjectKeepingDisc(bool written) {
  const EjectedDiscs* ejected = context_.ejectedDiscs;
  const std::filesystem::path keptBefore = ejected != nullptr ? ejected->LastKeptImage(drive_) : "";
  if (Noted(handle_->EjectDisc())) {
    if (ejected != nullptr) {
      std::filesystem::path kept = ejected->LastKeptImage(drive_);
      if (kept != keptBefore) keptImage_ = std::move(kept);
    }
    return true;
  }
  // A real drive's refused eject leaves the burn as it stood.
  const std::string reason = ejected != nullptr ? ejected->DiscNotKeptReason(drive_) : "";
  if (reason.empty()) return true;
  std::string text = written ? burntext::kDiscNotKept : burntext::kFailedDiscNotKept;
  text.replace(text.find("%s"), 2, reason);
  context_.prompt.ShowMessage(text, MessageIcon::Error);
  return false;
}

std::string BurnSequence::WithAnswer(const std::string& text) const {
  return text + " The drive answered: " + lastAnswer_.Text() + ".";
}

}  // namespace brenmark
