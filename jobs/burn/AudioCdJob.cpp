#include "jobs/burn/AudioCdJob.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "jobs/EndingLine.h"
#include "jobs/burn/AudioTrackSource.h"
#include "jobs/burn/SourceChanges.h"
#include "jobs/burn/VerifyStep.h"

namespace brenmark {
namespace {

using audio::AudioTrackPlan;
using audio::AudioTrackReader;
using audio::WavOpenResult;

constexpr int kSessionFormatCdDa = 0x00;
constexpr int kTrackModeAudio = 0;

// The text with its "%s" replaced by the path.
std::string WithPath(std::string_view text, const std::string& path) {
  const std::size_t at = text.find("%s");
  std::string result(text.substr(0, at));
  result.append(path).append(text.substr(at + 2));
  return result;
}

std::string TrackStatus(const char* format, std::size_t track, std::size_t count) {
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), format, static_cast<int>(track), static_cast<int>(count));
  return text.data();
}

class AudioCdBurn {
 public:
  explicit AudioCdBurn(JobContext& context)
      : context_(context), progress_(context.progress), burn_(context), files_(context.inputs.sourceFiles) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    return context_.End(burn_.OnOpenDrive(burntext::kNoDrive, [this] { return RunOnOpenDrive(); }));
  }

 private:
  JobEnd RunOnOpenDrive() {
    std::int32_t base = 1;
    if (const JobEnd stop = burn_.StopUnlessWritable(burn_.CheckDisc(base), audiojobtext::kDiscNotWritable);
        stop != JobEnd::Done) {
      return stop;
    }
    // The free blocks also tell a DVD from a CD, without asking the drive for its profile.
    const std::optional<std::int32_t> free = burn_.TrackFreeBlocks(base);
    if (!free) {
      return context_.Stop(burn_.WithAnswer(burntext::kNoTrackInformation) + burntext::kTerminated,
                           JobEnd::NoDriveInformation);
    }
    if (!burn_.TakesCdTracks(*free)) {
      return context_.Stop(std::string(burntext::kNotACd) + burntext::kTerminated, JobEnd::DiscNotWritable);
    }
    AudioTrackPlan plan = audio::PlanAudioTracks(files_);
    if (!plan.refused.empty()) return RefuseFiles(plan.refused);
    if (const JobEnd stop = CheckPlan(plan, base, *free); stop != JobEnd::Done) return stop;
    WarnOfShortTracks(plan);
    TellFilesShorterThanHeaders(context_, plan);

    if (!burn_.SetSpeed()) context_.prompt.ShowMessage(audiojobtext::kSpeedRefused, MessageIcon::Plain);
    WriteMode mode;
    mode.sessionFormat = kSessionFormatCdDa;
    mode.dataBlockType = AudioTrackSource::kBlockTypeRaw;
    mode.multiSessionBits = context_.inputs.multiSession != 0 ? WriteMode::kMultiSessionAllowed : 0;
    mode.trackMode = kTrackModeAudio;
    if (!burn_.SetWriteMode(mode)) return context_.Stop(audiojobtext::kWriteModeRefused, JobEnd::WriteModeRefused);

    // Each track is closed as it ends: a stop leaves the disc closed with them.
    burn_.SetStoppedDisc(StoppedDisc::ClosedAsItIs);
    bool complete = true;
    base_ = base;
    std::int32_t track = base;
    for (std::size_t i = 0; i < files_.size(); ++i) {
      // Writing from a guessed address would put the track over what is on the disc.
      const std::optional<std::int32_t> start = burn_.TrackStart(track);
      if (!start) return Abandon(burn_.WithAnswer(burntext::kNoTrackInformation) + burntext::kTerminated,
                                 JobEnd::NoDriveInformation);
      // Each file is written as it was checked before the first write.
      AudioTrackReader& reader = plan.tracks[i].reader;
      AudioTrackSource source(reader, *start, context_.transferBuffer, progress_);
      progress_.SetRange(source.progressRange());
      progress_.SetPos(0);
      progress_.SetStatus(TrackStatus("Burning Track %d of %d on CD ...", i + 1, files_.size()));
      // After a write given up the rest of the file is skipped; the track is closed all the same.
      complete = burn_.Write(source) == WriteEnd::Written && complete;
      changes_.AfterTrack(files_[i], reader.file(), reader.measuredFileSize(), reader.missingBytes(),
                          reader.readError());
      progress_.SetStatus(TrackStatus("Closing Track %d of %d ...", i + 1, files_.size()));
      burn_.SynchronizeCache();
      burn_.CloseTrack(track);
      // A track whose first write was given up stays empty on the disc; the
      // next file takes its number.
      if (source.anyWritten()) ++track;
      if (burn_.stopped()) break;
    }
    return Finish(complete);
  }

  // Refuses the whole list, naming each file that cannot be burned and why.
  JobEnd RefuseFiles(const std::vector<audio::RefusedFile>& refused) {
    std::string text;
    for (const audio::RefusedFile& file : refused) {
      if (!text.empty()) text.append("\n\n");
      if (file.reason == WavOpenResult::CannotOpen) {
        text.append(WithDetail(audiojobtext::kCannotOpenSource, file.path + ": " + file.systemReason));
      } else {
        text.append(WithPath(audiojobtext::kNotCdAudio, file.path)).append(burntext::kTerminated);
      }
    }
    const bool unreadable = refused.front().reason == WavOpenResult::CannotOpen;
    return context_.Stop(text, unreadable ? JobEnd::SourceUnreadable : JobEnd::SourcesRefused);
  }

  // Refuses, before anything is written, tracks the disc cannot number or hold.
  JobEnd CheckPlan(const AudioTrackPlan& plan, std::int32_t base, std::int32_t free) {
    const std::int64_t lastTrack = plan.LastTrackNumber(base);
    if (lastTrack > audio::kMaxTrackNumber) {
      return context_.Stop("The disc would need track numbers up to " + std::to_string(lastTrack) +
                               ", but a CD holds " + std::to_string(audio::kMaxTrackNumber) + " tracks at most." +
                               burntext::kTerminated,
                           JobEnd::SourcesRefused);
    }
    const std::int64_t needed = plan.BlocksNeeded();
    if (needed <= free) return JobEnd::Done;
    return context_.Stop("The audio does not fit on the disc: it needs " + std::to_string(needed) +
                             " sectors, the disc has " + std::to_string(free) + " free." + burntext::kTerminated,
                         JobEnd::DoesNotFit);
  }

  void WarnOfShortTracks(const AudioTrackPlan& plan) {
    std::string files;
    for (const audio::PlannedTrack& track : plan.tracks) {
      if (track.paddedToMinimum) files.append("\n").append(track.path);
    }
    if (files.empty()) return;
    context_.Notify("A track must last at least 4 seconds: these files are shorter, and their tracks are completed "
                    "with silence:" + files);
  }

  // Closes the session, which finalises the disc, and ejects it.
  JobEnd Finish(bool complete) {
    // Silence written for samples a file lost leaves the disc short of what was asked.
    complete = complete && !changes_.anyMissing();
    progress_.SetStatus("Closing Disc Session...");
    // A burn stopped before its first write leaves no session to close.
    if (!burn_.stoppedBeforeWriting() && !burn_.CloseSession()) {
      context_.prompt.ShowMessage(audiojobtext::kCloseSessionFailed, MessageIcon::Plain);
      complete = false;
    }
    changes_.TellMissingAtEnd();
    progress_.SetStatus(complete ? audiojobtext::kDone : burntext::kBurnFailed);
    std::optional<VerifyReport> verified;
    if (complete && context_.inputs.verify) verified = VerifyWrittenTracks();
    if (!burn_.EjectKeepingDisc(complete)) {
      progress_.SetStatus(burntext::kBurnFailed);
      complete = false;
    }
    return EndWithVerify(context_, complete, verified, burn_.keptImage());
  }

  // Every track's samples, its silence padding included, read back raw and
  // compared with what was written; each track was written as one run of
  // blocks, in the order of the files.
  VerifyReport VerifyWrittenTracks() {
    std::vector<VerifyItem> items;
    const auto& extents = burn_.written().extents();
    for (std::size_t i = 0; i < extents.size() && i < files_.size(); ++i) {
      const std::string number = std::to_string(base_ + static_cast<std::int32_t>(i));
      items.push_back(TrackItem(extents[i], "track " + number + " (" + files_[i] + ")", ReadBackKind::AudioSamples));
    }
    return VerifyTracks(context_, burn_.handle(), burn_.written(), items);
  }

  // Ends the burn where it stands: the session stays open and the disc in the drive.
  JobEnd Abandon(const std::string& text, JobEnd result) {
    context_.Stop(text, result);
    progress_.SetStatus(burntext::kBurnFailed);
    return result;
  }

  JobContext& context_;
  ProgressSink& progress_;
  BurnSequence burn_;
  const std::vector<std::string>& files_;
  std::int32_t base_ = 1;
  SourceChanges changes_{context_, "silence"};
};

}  // namespace

JobEnd AudioCdJob(JobContext& context) { return AudioCdBurn(context).Run(); }

}  // namespace brenmark
