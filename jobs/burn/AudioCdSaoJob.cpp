#include "jobs/burn/AudioCdSaoJob.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "audio/WavInfoTags.h"
#include "jobs/EndingLine.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/AudioTrackSource.h"
#include "jobs/burn/SessionAtOnceSources.h"
#include "jobs/burn/SessionAtOnceWrite.h"
#include "jobs/burn/SourceChanges.h"
#include "jobs/burn/VerifyStep.h"
#include "platform/Utf8Path.h"

namespace brenmark {
namespace {

using audio::WavOpenResult;

std::string TrackStatus(const char* format, std::size_t track, std::size_t count) {
  std::array<char, 96> text{};
  std::snprintf(text.data(), text.size(), format, static_cast<int>(track), static_cast<int>(count));
  return text.data();
}

std::string WithPath(std::string text, const std::string& path) {
  return text.replace(text.find("%s"), 2, path);
}

// The file's INFO title, else its name without the extension; its artist,
// else the album's performer.
void AddTrackTexts(std::vector<cdtext::Entry>& entries, int track, const std::string& path,
                   const std::string& albumPerformer) {
  const audio::WavInfoTags tags = audio::ReadWavInfoTagsOf(path);
  entries.push_back({cdtext::kTitle, track,
                     tags.title.empty() ? platform::Utf8FromPath(platform::PathFromUtf8(path).stem()) : tags.title});
  entries.push_back({cdtext::kPerformer, track, tags.artist.empty() ? albumPerformer : tags.artist});
}

class AudioCdSaoBurn {
 public:
  explicit AudioCdSaoBurn(JobContext& context)
      : context_(context), progress_(context.progress), burn_(context), files_(context.inputs.sourceFiles) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    return context_.End(burn_.OnOpenDrive(burntext::kNoDrive, [this] { return RunOnOpenDrive(); }));
  }

 private:
  JobEnd RunOnOpenDrive() {
    std::int32_t base = 1;
    const DiscCheck disc = burn_.CheckDisc(base);
    if (const JobEnd stop = burn_.StopUnlessWritable(disc, audiojobtext::kDiscNotWritable); stop != JobEnd::Done) {
      return stop;
    }
    if (disc != DiscCheck::Blank) {
      return context_.Stop(std::string(saotext::kNeedsBlank) + burntext::kTerminated, JobEnd::DiscNotWritable);
    }
    const std::optional<std::int32_t> free = burn_.TrackFreeBlocks(1);
    if (!free) {
      return context_.Stop(burn_.WithAnswer(burntext::kNoTrackInformation) + burntext::kTerminated,
                           JobEnd::NoDriveInformation);
    }
    if (!burn_.TakesCdTracks(*free)) {
      return context_.Stop(std::string(burntext::kNotACd) + burntext::kTerminated, JobEnd::DiscNotWritable);
    }
    audio::AudioTrackPlan plan = audio::PlanAudioTracks(files_);
    if (!plan.refused.empty()) return Refuse(plan.refused.front());
    if (plan.tracks.empty()) return context_.Stop("There is no file to burn." + std::string(burntext::kTerminated),
                                                  JobEnd::NothingToWrite);
    if (const JobEnd stop = CheckPlan(plan, *free); stop != JobEnd::Done) return stop;
    TellFilesShorterThanHeaders(context_, plan);

    SessionAtOncePlan session;
    session.cue = AudioSessionCue(sectors_, context_.inputs.discAtOnce.gapBlocks);
    session.cdText = EncodeCdText(CdTextEntries());
    session.cue.cdText = !session.cdText.empty();

    if (!burn_.SetSpeed()) context_.prompt.ShowMessage(audiojobtext::kSpeedRefused, MessageIcon::Plain);
    SessionAtOnceWrite writer(burn_, context_.transferBuffer);
    switch (writer.Prepare(session)) {
      case SessionWriteEnd::Written: break;
      case SessionWriteEnd::CueSheetRefused:
        return context_.Stop(burn_.WithAnswer(saotext::kCueSheetRefused) + burntext::kTerminated,
                             JobEnd::WriteModeRefused);
      default:
        return context_.Stop(burn_.WithAnswer(saotext::kWriteModeRefused) + burntext::kTerminated,
                             JobEnd::WriteModeRefused);
    }
    progress_.SetStatus("Writing the lead-in ...");
    bool complete = writer.WriteLeadIn(session) && WriteTracks(writer, session.cue, plan);
    progress_.SetStatus("Closing Disc Session...");
    complete = writer.Finish() && complete && !changes_.anyMissing();
    changes_.TellMissingAtEnd();
    progress_.SetStatus(complete ? audiojobtext::kDone : burntext::kBurnFailed);
    std::optional<VerifyReport> verified;
    if (complete && context_.inputs.verify) verified = Verify(session.cue);
    if (!burn_.EjectKeepingDisc(complete)) {
      progress_.SetStatus(burntext::kBurnFailed);
      complete = false;
    }
    return EndWithVerify(context_, complete, verified, burn_.keptImage());
  }

  JobEnd Refuse(const audio::RefusedFile& file) {
    if (file.reason == WavOpenResult::CannotOpen) {
      return context_.Stop(WithDetail(audiojobtext::kCannotOpenSource, file.path + ": " + file.systemReason),
                           JobEnd::SourceUnreadable);
    }
    return context_.Stop(WithPath(audiojobtext::kNotCdAudio, file.path) + burntext::kTerminated,
                         JobEnd::SourcesRefused);
  }

  JobEnd CheckPlan(const audio::AudioTrackPlan& plan, std::int32_t free) {
    if (plan.tracks.size() > static_cast<std::size_t>(audio::kMaxTrackNumber)) {
      return context_.Stop("A CD holds " + std::to_string(audio::kMaxTrackNumber) + " tracks at most." +
                               burntext::kTerminated,
                           JobEnd::SourcesRefused);
    }
    for (const audio::PlannedTrack& track : plan.tracks) sectors_.push_back(track.sectors);
    const std::int32_t needed = AudioSessionCue(sectors_, context_.inputs.discAtOnce.gapBlocks).leadOut;
    if (needed <= free) return JobEnd::Done;
    return context_.Stop("The audio does not fit on the disc: it needs " + std::to_string(needed) +
                             " sectors, the disc has " + std::to_string(free) + " free." + burntext::kTerminated,
                         JobEnd::DoesNotFit);
  }

  std::vector<cdtext::Entry> CdTextEntries() const {
    const DiscAtOnce& album = context_.inputs.discAtOnce;
    std::vector<cdtext::Entry> entries = {{cdtext::kTitle, 0, album.albumTitle},
                                          {cdtext::kPerformer, 0, album.albumPerformer}};
    for (std::size_t i = 0; i < files_.size(); ++i) {
      AddTrackTexts(entries, static_cast<int>(i + 1), files_[i], album.albumPerformer);
    }
    std::erase_if(entries, [](const cdtext::Entry& entry) { return entry.text.empty(); });
    return entries;
  }

  // The pregap, then every track after its pause, each file as it was
  // checked: the cue sheet sent holds the tracks' lengths then.
  bool WriteTracks(SessionAtOnceWrite& writer, const cdcue::SessionCue& cue, audio::AudioTrackPlan& plan) {
    ZeroBlockSource pregap(cdcue::kFirstPregapStart, -cdcue::kFirstPregapStart, 2352, context_.transferBuffer,
                           progress_);
    if (!writer.Write(pregap)) return false;
    for (std::size_t i = 0; i < files_.size(); ++i) {
      const cdcue::CueTrack& track = cue.tracks[i];
      if (track.indexes.front().number == 0 && i > 0) {
        const std::int32_t gapStart = track.indexes.front().lba;
        ZeroBlockSource gap(gapStart, static_cast<std::uint32_t>(track.indexes.back().lba - gapStart), 2352,
                            context_.transferBuffer, progress_);
        if (!writer.Write(gap)) return false;
      }
      audio::AudioTrackReader& reader = plan.tracks[i].reader;
      AudioTrackSource source(reader, track.indexes.back().lba, context_.transferBuffer, progress_);
      progress_.SetRange(source.progressRange());
      progress_.SetPos(0);
      progress_.SetStatus(TrackStatus("Burning Track %d of %d on CD ...", i + 1, files_.size()));
      const bool written = writer.Write(source);
      changes_.AfterTrack(files_[i], reader.file(), reader.measuredFileSize(), reader.missingBytes(),
                          reader.readError());
      if (!written) return false;
    }
    return true;
  }

  VerifyReport Verify(const cdcue::SessionCue& cue) {
    std::vector<VerifyItem> items;
    for (std::size_t i = 0; i < cue.tracks.size(); ++i) {
      VerifyItem item;
      item.name = "track " + std::to_string(i + 1) + " (" + files_[i] + ")";
      item.first = cue.tracks[i].indexes.back().lba;
      item.blocks = sectors_[i];
      item.bytes = std::uint64_t{sectors_[i]} * audio::kAudioSectorBytes;
      item.kind = ReadBackKind::AudioSamples;
      items.push_back(item);
    }
    return VerifyTracks(context_, burn_.handle(), burn_.written(), items);
  }

  JobContext& context_;
  ProgressSink& progress_;
  BurnSequence burn_;
  const std::vector<std::string>& files_;
  std::vector<std::uint32_t> sectors_;
  SourceChanges changes_{context_, "silence"};
};

}  // namespace

JobEnd AudioCdSaoJob(JobContext& context) { return AudioCdSaoBurn(context).Run(); }

cdcue::SessionCue AudioSessionCue(std::span<const std::uint32_t> trackSectors, std::uint32_t gapBlocks) {
  cdcue::SessionCue cue;
  std::int32_t lba = 0;
  for (std::size_t i = 0; i < trackSectors.size(); ++i) {
    cdcue::CueTrack track;
    track.number = static_cast<int>(i + 1);
    if (i == 0) {
      track.indexes.push_back({0, cdcue::kFirstPregapStart, cdcue::DataForm::Audio});
    } else if (gapBlocks > 0) {
      track.indexes.push_back({0, lba, cdcue::DataForm::Audio});
      lba += static_cast<std::int32_t>(gapBlocks);
    }
    track.indexes.push_back({1, lba, cdcue::DataForm::Audio});
    lba += static_cast<std::int32_t>(trackSectors[i]);
    cue.tracks.push_back(std::move(track));
  }
  cue.leadOut = lba;
  return cue;
}

}  // namespace brenmark
