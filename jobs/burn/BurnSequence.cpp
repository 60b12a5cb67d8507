#include "jobs/burn/BurnSequence.h"

#include <algorithm>

#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark {
namespace {

constexpr int kModePageLength = 64;
constexpr int kWriteParametersPage = 0x05;
// A write command carries at most 255 blocks; longer runs go out in parts.
constexpr std::uint32_t kMaxBlocksPerWrite = 255;
// The disc information's status mask: the last session is incomplete.
constexpr std::uint32_t kLastSessionIncomplete = 0x80;

}  // namespace

BurnSequence::BurnSequence(JobContext& context)
    : context_(context),
      registry_(context.registry),
      drive_(context.inputs.currentDrive),
      writeSpeed_(static_cast<std::int32_t>(context.inputs.writeSpeed)) {}

BurnSequence::~BurnSequence() { Close(); }

bool BurnSequence::Open() {
  written_.Clear();
  keptImage_.reset();
  open_ = registry_.OpenDevice(drive_);
  return open_;
}

JobEnd BurnSequence::OnOpenDrive(const char* noDriveText, const std::function<JobEnd()>& body) {
  if (drive_ < 0) return context_.Stop(noDriveText, JobEnd::NoDrive);
  if (!Open()) return context_.Stop(registry_.OpenFailureText(drive_, burntext::kNoDeviceAccess), JobEnd::NoDeviceAccess);
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
    case DiscCheck::NotWritable:
      break;
  }
  return context_.Stop(IsLastSessionOpen() ? burntext::kUnfinishedDisc : notWritableText, JobEnd::DiscNotWritable);
}

bool BurnSequence::IsLastSessionOpen() {
  std::uint32_t status = 0;
  return registry_.GetDiscInfo(drive_, nullptr, nullptr, &status) && (status & kLastSessionIncomplete) != 0;
}

bool BurnSequence::TakesCdTracks(std::int32_t freeBlocks) const {
  // The last possible lead-out of the longest CD, at 100 minutes.
  constexpr std::int32_t kLargestCdBlocks = 100 * 60 * 75 - 150;
  const Drive& recorder = registry_.drive(drive_);
  const bool writesCd = !recorder.capabilitiesRead || recorder.canWriteCdR != 0 || recorder.canWriteCdRw != 0;
  return writesCd && freeBlocks <= kLargestCdBlocks;
}

void BurnSequence::Close() {
  if (!open_) return;
  registry_.CloseDevice(drive_);
  open_ = false;
}

DiscCheck BurnSequence::CheckDisc(std::int32_t& firstTrack) {
  firstTrack = 1;
  if (registry_.IsDiscBlank(drive_)) return DiscCheck::Blank;
  const CommandOutcome& answer = registry_.LastOutcome(drive_);
  if (answer.sense && IsMediumNotPresent(*answer.sense)) return DiscCheck::NoDisc;
  if (!registry_.IsDiscAppendable(drive_)) return DiscCheck::NotWritable;
  firstTrack = registry_.GetLastTrackNumber(drive_);
  return DiscCheck::Appendable;
}

std::optional<std::int32_t> BurnSequence::TrackStart(std::int32_t track) {
  const std::int32_t start = registry_.GetTrackStartAddress(drive_, track);
  if (!registry_.LastOutcome(drive_).good()) return std::nullopt;
  return start;
}

std::optional<std::int32_t> BurnSequence::TrackFreeBlocks(std::int32_t track) {
  const std::int32_t free = registry_.GetTrackFreeBlocks(drive_, track);
  if (!registry_.LastOutcome(drive_).good()) return std::nullopt;
  return free;
}

bool BurnSequence::SetSpeed() { return registry_.SetSpeed(drive_, writeSpeed_, 0) == 0; }

bool BurnSequence::SetWriteMode(const WriteMode& mode) {
  // The page is changed in place and sent back whole: a page the drive did not
  // give would send zeros for every field the job does not set.
  std::array<std::uint8_t, kModePageLength> page{};
  if (registry_.ModeSense(drive_, kWriteParametersPage, kModePageLength, page.data()) != 0) return false;
  return registry_.SetWriteParameters(drive_, kModePageLength, page.data(), mode.flags, static_cast<int>(mode.writeType),
                                      mode.sessionFormat, mode.dataBlockType, mode.multiSessionBits,
                                      mode.trackMode, mode.subheader ? mode.subheader->data() : nullptr) == 0;
}

bool BurnSequence::ReserveTrack(std::int32_t blocks) { return registry_.ReserveTrack(drive_, blocks) == 0; }

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
      const std::uint32_t count = std::min(run.count - done, kMaxBlocksPerWrite);
      const std::int32_t lba = run.firstSector + static_cast<std::int32_t>(done);
      const std::uint8_t* data = run.data.data() + static_cast<std::size_t>(done) * static_cast<std::size_t>(blockSize);
      const int result = command == WriteCommand::Write12
                             ? registry_.WriteSectors12(drive_, lba, static_cast<int>(count), blockSize, data)
                             : registry_.WriteSectors(drive_, lba, static_cast<int>(count), blockSize, data);
      if (result != 0) return WriteEnd::GivenUp;
      done += count;
    }
    source.AfterWrite(run);
  }
}

bool BurnSequence::SynchronizeCache() { return registry_.SynchronizeCache(drive_); }

bool BurnSequence::CloseTrack(std::int32_t track) { return registry_.CloseTrack(drive_, track) == 0; }

bool BurnSequence::CloseSession() { return registry_.CloseSession(drive_) == 0; }

bool BurnSequence::EjectKeepingDisc() {
  const auto* recorder = dynamic_cast<const virtualdrive::VirtualRecorderTransport*>(
      registry_.drive(drive_).deviceHandle.get());
  const std::filesystem::path keptBefore = recorder != nullptr ? recorder->recorder().LastKeptImage() : "";
  if (registry_.EjectDisc(drive_)) {
    if (recorder != nullptr && recorder->recorder().LastKeptImage() != keptBefore) {
      keptImage_ = recorder->recorder().LastKeptImage();
    }
    return true;
  }
  if (recorder == nullptr) return true;
  const std::string reason = recorder->recorder().DiscNotKeptReason();
  if (reason.empty()) return true;
  std::string text = burntext::kDiscNotKept;
  text.replace(text.find("%s"), 2, reason);
  context_.prompt.ShowMessage(text, MessageIcon::Error);
  return false;
}

std::string BurnSequence::WithAnswer(const std::string& text) const {
  return text + " The drive answered: " + registry_.LastOutcome(drive_).Text() + ".";
}

}  // namespace brenmark
