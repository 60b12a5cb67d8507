#include "jobs/burn/ImageBurnJob.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobs/burn/AudioCdSaoJob.h"
#include "jobs/burn/BurnImageCue.h"
#include "jobs/burn/BurnImagePlan.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/DvdWriteStrategy.h"
#include "jobs/burn/SessionAtOnceSources.h"
#include "jobs/burn/SessionAtOnceWrite.h"
#include "jobs/burn/VerifyStep.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/TextFile.h"
#include "platform/Utf8Path.h"

namespace brenmark {
namespace {

constexpr int kUserDataBytes = 2048;
constexpr int kBlockTypeMode1 = 8;
constexpr int kTrackModeData = 4;
// A track at once ends in two run-out blocks that the drive writes itself.
constexpr std::int64_t kRunOutBlocks = 2;
// A cue sheet longer than this is not one.
constexpr std::uint64_t kMostCueBytes = 1024 * 1024;

std::string WithText(std::string format, const std::string& text) { return format.replace(format.find("%s"), 2, text); }

std::string LowerExtension(const std::filesystem::path& path) {
  std::string extension = platform::Utf8FromPath(path.extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::optional<std::uint64_t> RegularFileSize(const std::filesystem::path& path) {
  const auto status = platform::ReadFileStatus(path);
  if (!status || status->kind != platform::FileKind::Regular) return std::nullopt;
  return status->size;
}

ReadBackKind ReadBackOf(burnimage::TrackMode mode) {
  switch (mode) {
    case burnimage::TrackMode::Audio: return ReadBackKind::AudioSamples;
    case burnimage::TrackMode::Mode1: return ReadBackKind::UserData;
    default: break;
  }
  return ReadBackKind::RawSectors;
}

class ImageBurn {
 public:
  explicit ImageBurn(JobContext& context)
      : context_(context),
        progress_(context.progress),
        burn_(context),
        image_(context.inputs.sourceFiles.empty() ? std::string() : context.inputs.sourceFiles.front()) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Checking the image...");
    const std::filesystem::path path = platform::PathFromUtf8(image_);
    const std::string extension = LowerExtension(path);
    JobEnd checked = JobEnd::Done;
    if (extension == ".iso") {
      checked = CheckIso(path);
    } else if (extension == ".cue") {
      checked = CheckCue(path);
    } else {
      checked = context_.Stop(WithText(imagetext::kNotAnImage, image_) + burntext::kTerminated, JobEnd::SourcesRefused);
    }
    if (checked != JobEnd::Done) return context_.End(checked);
    return context_.End(burn_.OnOpenDrive(burntext::kNoDrive, [this] { return RunOnOpenDrive(); }));
  }

 private:
  JobEnd Refuse(const std::string& why) {
    return context_.Stop(WithText(imagetext::kImageRefused, why) + burntext::kTerminated, JobEnd::SourcesRefused);
  }

  JobEnd CheckIso(const std::filesystem::path& path) {
    const std::optional<std::uint64_t> size = RegularFileSize(path);
    if (!size) return Refuse(image_ + " does not exist or cannot be read");
    if (*size == 0 || *size % kUserDataBytes != 0) {
      return Refuse(image_ + ": its size (" + std::to_string(*size) + " bytes) is not a whole number of 2048-byte blocks");
    }
    isoBlocks_ = static_cast<std::uint32_t>(*size / kUserDataBytes);
    return JobEnd::Done;
  }

  JobEnd CheckCue(const std::filesystem::path& path) {
    const std::optional<std::string> text = platform::ReadTextFile(path, kMostCueBytes);
    if (!text) return Refuse(image_ + " does not exist or cannot be read");
    const burnimage::ImageCueResult parsed = burnimage::ParseImageCue(*text);
    if (!parsed.cue) return Refuse(image_ + ": " + parsed.error);
    burnimage::ImagePlanResult planned = burnimage::PlanImage(*parsed.cue, path.parent_path(), RegularFileSize);
    if (!planned.plan) return Refuse(image_ + ": " + planned.error);
    plan_ = std::move(planned.plan);
    return JobEnd::Done;
  }

  JobEnd RunOnOpenDrive() {
    std::int32_t track = 1;
    const DiscCheck disc = burn_.CheckDisc(track);
    if (const JobEnd stop = burn_.StopUnlessWritable(disc, imagetext::kNeedsBlank); stop != JobEnd::Done) return stop;
    if (disc != DiscCheck::Blank) {
      return context_.Stop(std::string(imagetext::kNeedsBlank) + burntext::kTerminated, JobEnd::DiscNotWritable);
    }
    const std::optional<std::int32_t> free = burn_.TrackFreeBlocks(1);
    if (!free) {
      return context_.Stop(burn_.WithAnswer(burntext::kNoTrackInformation) + burntext::kTerminated,
                           JobEnd::NoDriveInformation);
    }
    const bool cd = burn_.TakesCdTracks(*free);
    if (plan_ && !cd) return context_.Stop(std::string(imagetext::kCueNeedsCd) + burntext::kTerminated, JobEnd::DiscNotWritable);
    const std::int64_t needed = plan_ ? plan_->cue.leadOut : isoBlocks_ + (cd ? kRunOutBlocks : 0);
    if (needed > *free) {
      return context_.Stop("The image does not fit on the disc: it needs " + std::to_string(needed) +
                               " sectors, the disc has " + std::to_string(*free) + " free." + burntext::kTerminated,
                           JobEnd::DoesNotFit);
    }
    if (!burn_.SetSpeed()) context_.Notify("The drive refused the write speed; it writes at its own.");
    bool complete = plan_ ? WriteCueImage() : WriteIso(cd);
    progress_.SetStatus(complete ? imagetext::kDone : burntext::kBurnFailed);
    std::optional<VerifyReport> verified;
    if (complete && context_.inputs.verify) verified = Verify();
    if (!burn_.EjectKeepingDisc(complete)) {
      progress_.SetStatus(burntext::kBurnFailed);
      complete = false;
    }
    return EndWithVerify(context_, complete, verified, burn_.keptImage());
  }

  // An .iso on CD track at once; on DVD as the medium takes it: at once on a
  // DVD-R/-RW, incrementally and finalized on a DVD+R, in place from block 0
  // (a blank DVD+RW formatted first) on overwritable media.
  bool WriteIso(bool cd) {
    DvdWriteStrategy strategy = DvdWriteStrategy::DiscAtOnce;
    std::uint16_t profile = 0;
    if (!cd) {
      profile = burn_.handle().ReadProfiles().value_or({}).current;
      strategy = ChooseDvdWriteStrategy(profile, true, false);
    }
    if (strategy == DvdWriteStrategy::Overwrite && profile == kDvdPlusRwProfile) {
      progress_.SetStatus("Formatting...");
      if (const DriveStatus formatted = burn_.handle().FormatUnit(kDvdPlusRwFormatType, kFormatWholeDisc); !formatted) {
        return StopWriting("The drive could not format the disc. The drive answered: " + formatted.outcome().Text() +
                           ".");
      }
    }
    WriteMode mode;
    mode.writeType = cd                                             ? WriteType::TrackAtOnce
                     : strategy == DvdWriteStrategy::Incremental ? WriteType::Incremental
                                                                 : WriteType::SessionAtOnce;
    mode.dataBlockType = kBlockTypeMode1;
    mode.trackMode = kTrackModeData;
    if (strategy != DvdWriteStrategy::Overwrite && !burn_.SetWriteMode(mode)) {
      return StopWriting(burn_.WithAnswer("The drive refused the write parameters."));
    }
    if (!cd && strategy == DvdWriteStrategy::DiscAtOnce && !burn_.ReserveTrack(static_cast<std::int32_t>(isoBlocks_))) {
      return StopWriting(burn_.WithAnswer("Can't reserve the track for the data on the disc."));
    }
    platform::File file;
    if (!file.OpenSource(platform::PathFromUtf8(image_))) return StopWriting("Can't open " + image_ + ": " + file.lastError());
    progress_.SetStatus(cd ? "Writing Data To CD..." : "Writing Data To DVD...");
    progress_.SetRange(static_cast<std::int32_t>(isoBlocks_));
    progress_.SetPos(0);
    FileBlockSource source(file, image_, 0, 0, isoBlocks_, kUserDataBytes, context_.transferBuffer, progress_);
    const bool written = burn_.Write(source, cd ? WriteCommand::Write10 : WriteCommand::Write12) == WriteEnd::Written;
    if (!written && !source.failedFile().empty()) context_.prompt.ShowMessage("Can't read " + image_, MessageIcon::Error);
    progress_.SetStatus("Closing Session...");
    const bool synchronized = burn_.SynchronizeCache();
    if (!written || !synchronized) return false;
    if (cd) return burn_.CloseSession();
    if (strategy != DvdWriteStrategy::Incremental) return true;
    if (!burn_.CloseTrack(1)) return false;
    return profile == kDvdPlusRProfile ? burn_.handle().FinalizeDisc().ok() : burn_.CloseSession();
  }

  bool WriteCueImage() {
    SessionAtOncePlan session;
    session.cue = plan_->cue;
    session.audio = !session.cue.tracks.front().data;
    if (!plan_->texts.empty()) {
      session.cdText = EncodeCdText(plan_->texts);
      session.cue.cdText = true;
    }
    std::vector<platform::File> files(plan_->files.size());
    for (std::size_t f = 0; f < files.size(); ++f) {
      if (!files[f].OpenSource(plan_->files[f])) {
        return StopWriting("Can't open " + platform::Utf8FromPath(plan_->files[f]) + ": " + files[f].lastError());
      }
    }
    SessionAtOnceWrite writer(burn_, context_.transferBuffer);
    switch (writer.Prepare(session)) {
      case SessionWriteEnd::Written: break;
      case SessionWriteEnd::CueSheetRefused: return StopWriting(burn_.WithAnswer(saotext::kCueSheetRefused));
      default: return StopWriting(burn_.WithAnswer(saotext::kWriteModeRefused));
    }
    if (!session.cdText.empty()) progress_.SetStatus("Writing the lead-in ...");
    if (!writer.WriteLeadIn(session)) return Synchronized(writer, false);
    progress_.SetStatus("Writing the image to CD...");
    progress_.SetRange(session.cue.leadOut - cdcue::kFirstPregapStart);
    progress_.SetPos(0);
    for (const burnimage::Segment& segment : plan_->segments) {
      std::unique_ptr<SectorSource> source;
      if (segment.file) {
        source = std::make_unique<FileBlockSource>(files[*segment.file], platform::Utf8FromPath(plan_->files[*segment.file]),
                                                   segment.offset, segment.first, segment.blocks, segment.blockSize,
                                                   context_.transferBuffer, progress_);
      } else {
        source = std::make_unique<ZeroBlockSource>(segment.first, segment.blocks, segment.blockSize,
                                                   context_.transferBuffer, progress_);
      }
      if (!writer.Write(*source)) {
        if (segment.file && !burn_.stopped()) {
          context_.prompt.ShowMessage("Can't read " + platform::Utf8FromPath(plan_->files[*segment.file]),
                                      MessageIcon::Error);
        }
        return Synchronized(writer, false);
      }
    }
    return Synchronized(writer, true);
  }

  bool Synchronized(SessionAtOnceWrite& writer, bool written) {
    progress_.SetStatus("Closing Disc Session...");
    return writer.Finish() && written;
  }

  bool StopWriting(const std::string& text) {
    context_.prompt.ShowMessage(text + burntext::kTerminated, MessageIcon::Error);
    return false;
  }

  VerifyReport Verify() {
    std::vector<VerifyItem> items;
    if (!plan_) {
      VerifyItem item;
      item.name = image_;
      item.blocks = isoBlocks_;
      item.bytes = std::uint64_t{isoBlocks_} * kUserDataBytes;
      items.push_back(item);
    } else {
      for (const burnimage::TrackExtent& track : plan_->tracks) {
        // A formless Mode 2 block cannot be read back as it was sent.
        if (track.mode == burnimage::TrackMode::Mode2) continue;
        VerifyItem item;
        item.name = "track " + std::to_string(track.number);
        item.first = track.start;
        item.blocks = track.blocks;
        item.kind = ReadBackOf(track.mode);
        item.bytes = std::uint64_t{track.blocks} * static_cast<std::uint64_t>(BlockSizeOf(item.kind));
        items.push_back(item);
      }
    }
    return VerifyTracks(context_, burn_.handle(), burn_.written(), items);
  }

  JobContext& context_;
  ProgressSink& progress_;
  BurnSequence burn_;
  const std::string image_;
  std::uint32_t isoBlocks_ = 0;
  std::optional<burnimage::ImagePlan> plan_;
};

}  // namespace

JobEnd ImageBurnJob(JobContext& context) { return ImageBurn(context).Run(); }

}  // namespace brenmark
