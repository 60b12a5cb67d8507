#include "jobs/grab/GrabJob.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "audio/GrabLog.h"
#include "audio/Mp3EncoderLibrary.h"
#include "audio/Mp3TrackWriter.h"
#include "audio/TrackChecksums.h"
#include "audio/TrackTimeTable.h"
#include "audio/WavTrackWriter.h"
#include "jobs/EndingLine.h"
#include "jobs/grab/OutputFolder.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::size_t kSectorBytes = 2352;
constexpr std::int32_t kSectorsPerRead = 16;
constexpr std::uint8_t kUserDataOnly = 0x10;
constexpr std::uint64_t kSamplesPerSector = 588;

std::string Format(const char* format, int a, int b = 0, int c = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string NumberList(const std::vector<int>& numbers) {
  std::string text;
  for (int number : numbers) text += (text.empty() ? "" : ", ") + std::to_string(number);
  return text;
}

// The encoder's configuration record from the grab settings.
mp3::EncoderConfig ConfigFrom(const GrabSettings& settings) {
  mp3::EncoderConfig config{};
  config.configKind = mp3::kConfigKindLame;
  config.structVersion = mp3::kConfigStructVersion;
  config.structSize = sizeof config;
  config.sampleRate = static_cast<std::uint32_t>(settings.sampleRateHz);
  config.mode = settings.encoderMode;
  config.bitrate = static_cast<std::uint32_t>(settings.bitrateKbps);
  config.preset = settings.encoderPreset;
  config.mpegVersion = static_cast<std::uint32_t>(settings.mpegVersion);
  config.originalFlag = 1;
  config.noBitReservoir = 1;
  // The first frame carries the Info tag: with the encoder's delay and
  // padding in it, players give back exactly the track's samples.
  config.writeVbrHeader = 1;
  return config;
}

// How the tracks of an output format are read and written: a WAV grab reads
// the last 16 sectors of a track one by one, an MP3 grab reads 16 while 16
// remain.
struct OutputFormat {
  const char* extension;
  const char* cannotCreate;             // told when the file cannot be created
  std::int32_t fullReadsWhileMoreThan;  // sectors left: 16 are read at a time while more remain
  bool encoded;                         // written through the MP3 encoder library
};
constexpr OutputFormat kWav{"wav", grabtext::kCannotCreateWav, 16, false};
constexpr OutputFormat kMp3{"mp3", grabtext::kCannotCreateMp3, 15, true};

// What the user is told when a track writer failed, and how the grab ends.
struct WriteFailure {
  const char* text;
  JobEnd end;
};

WriteFailure FailureOf(TrackWriteStatus status, const OutputFormat& format) {
  switch (status) {
    case TrackWriteStatus::NotCreated: return {format.cannotCreate, JobEnd::OutputNotCreated};
    case TrackWriteStatus::StreamNotOpened: return {grabtext::kStreamNotOpened, JobEnd::EncoderFailed};
    case TrackWriteStatus::OutOfMemory: return {grabtext::kOutOfMemory, JobEnd::EncoderFailed};
    case TrackWriteStatus::EncodingFailed: return {grabtext::kEncodingError, JobEnd::EncoderFailed};
    case TrackWriteStatus::StreamNotClosed: return {grabtext::kStreamNotClosed, JobEnd::EncoderFailed};
    case TrackWriteStatus::EndNotWritten: return {grabtext::kWriteFlushFailed, JobEnd::OutputWriteFailed};
    case TrackWriteStatus::TagNotWritten: return {grabtext::kTagNotWritten, JobEnd::OutputWriteFailed};
    case TrackWriteStatus::NotNamed: return {grabtext::kNotNamed, JobEnd::OutputWriteFailed};
    case TrackWriteStatus::DataNotWritten:
    case TrackWriteStatus::Ok:
      break;
  }
  return {grabtext::kWriteDataFailed, JobEnd::OutputWriteFailed};
}

// One track to grab: its number, where it lies and whether it is the disc's
// first or last audio track (the checksums treat those two apart).
struct TrackPlan {
  int number = 0;
  MsfTime start;
  MsfTime end;
  std::int32_t firstSector = 0;
  std::int32_t sectors = 0;
  bool firstAudio = false;
  bool lastAudio = false;
};

class Grab {
 public:
  Grab(JobContext& context, const GrabOptions& options)
      : context_(context),
        progress_(context.progress),
        drive_(context.inputs.currentDrive),
        folder_(platform::PathFromUtf8(context.inputs.outputFolder)),
        options_(options) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus(grabtext::kInitializing);
    if (drive_ < 0) return context_.End(context_.Stop(grabtext::kNoDrive, JobEnd::NoDrive));
    if (const JobEnd stop = CheckPathLength(); stop != JobEnd::Done) return context_.End(stop);
    DriveResult<DriveHandle> opened = context_.registry.Open(drive_);
    if (!opened) {
      return context_.End(
          context_.Stop(OpenFailureText(opened.outcome(), grabtext::kNoDeviceAccess), JobEnd::NoDeviceAccess));
    }
    handle_.emplace(std::move(*opened));
    const JobEnd result = RunOnOpenDrive();
    handle_.reset();
    if (result == JobEnd::Done) {
      progress_.SetRange16(100);
      progress_.SetPos(100);
    }
    return context_.End(result);
  }

 private:
  JobEnd RunOnOpenDrive() {
    std::vector<std::uint8_t> toc(kTocLength);
    if (!handle_->ReadToc(toc)) {
      return context_.Stop(grabtext::kTocUnreadable, JobEnd::TocUnreadable);
    }
    const std::vector<TrackPlan> plan = PlanTracks(ReadTrackTimes(toc.data(), toc.size()));
    if (plan.empty()) return context_.Stop(grabtext::kNoAudioTrack, JobEnd::NoAudioTrack);
    const OutputFormat& format = context_.inputs.grabSettings.format == GrabFormat::Mp3 ? kMp3 : kWav;
    if (const JobEnd ready = PrepareFolder(); ready != JobEnd::Done) return ready;
    if (const JobEnd checked = CheckOutputNames(plan, format); checked != JobEnd::Done) return checked;
    log_ = std::make_unique<GrabLog>(folder_, handle_->drive().displayName, std::time(nullptr));

    int ordinal = 1;
    for (const TrackPlan& track : plan) {
      progress_.SetStatus(
          Format("Grabbing Track %d (%d of %d)", track.number, ordinal, static_cast<int>(plan.size())));
      if (const JobEnd made = MakeWriter(format); made != JobEnd::Done) return made;
      if (const JobEnd result = GrabTrack(track, format); result != JobEnd::Done) return result;
      ++ordinal;
    }
    progress_.SetStatus(Format("%d Tracks Grabbed", static_cast<int>(plan.size())));
    return JobEnd::Done;
  }

  // Before the first read: the output folder exists or is created now (asked
  // first when the settings say so).
  JobEnd PrepareFolder() {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(folder_, error);
    if (std::filesystem::is_directory(status)) return JobEnd::Done;
    const std::string shown = platform::Utf8FromPath(folder_);
    if (std::filesystem::exists(status)) {
      return context_.Stop(grabtext::kNotAFolder + shown + grabtext::kTerminated, JobEnd::OutputNotCreated);
    }
    if (context_.inputs.grabSettings.missingFolder == MissingFolder::Ask) {
      std::string question = grabtext::kCreateFolderQuestion;
      question.replace(question.find("%s"), 2, shown);
      if (!context_.prompt.AskYesNo(question)) return JobEnd::OutputNotCreated;
    }
    std::string reason;
    if (CreateOutputFolder(folder_, reason)) return JobEnd::Done;
    return context_.Stop(grabtext::kFolderNotCreated + reason + "." + grabtext::kTerminated,
                         JobEnd::OutputNotCreated);
  }

  // Before the first read: grab.log must be a file of its own, and files at
  // the names of the output files are replaced only when the user says so.
  JobEnd CheckOutputNames(const std::vector<TrackPlan>& plan, const OutputFormat& format) {
    const std::filesystem::path log = folder_ / GrabLog::kFileName;
    const platform::EntryAtPath logEntry = platform::LookAtEntry(log);
    if (logEntry == platform::EntryAtPath::Link || logEntry == platform::EntryAtPath::Other) {
      return context_.Stop(std::string(grabtext::kLogNotAFile) + "\n" + log.string() + grabtext::kTerminated,
                           JobEnd::OutputNotCreated);
    }
    std::vector<std::string> taken;
    for (const TrackPlan& track : plan) {
      const std::filesystem::path path = OutputPath(track.number, format.extension);
      if (platform::LookAtEntry(path) != platform::EntryAtPath::Nothing) taken.push_back(path.filename().string());
    }
    replaceExisting_ = false;
    if (taken.empty()) return JobEnd::Done;
    switch (context_.inputs.grabSettings.existingOutputs) {
      case ExistingOutputs::Replace:
        break;
      case ExistingOutputs::Ask:
        if (!context_.prompt.AskYesNo(taken.size() == 1 ? grabtext::kReplaceOneQuestion
                                                        : Format(grabtext::kReplaceQuestion, static_cast<int>(taken.size())))) {
          return JobEnd::OutputsExist;
        }
        break;
      case ExistingOutputs::Refuse: {
        std::string names;
        for (const std::string& name : taken) names += (names.empty() ? "" : ", ") + name;
        return context_.Stop(grabtext::kOutputsExist + names + ".", JobEnd::OutputsExist);
      }
    }
    replaceExisting_ = true;
    return JobEnd::Done;
  }

  // The writer of the grab's format, made with its first track: the encoder
  // library is loaded once for all the tracks of the grab.
  JobEnd MakeWriter(const OutputFormat& format) {
    if (writer_) return JobEnd::Done;
    if (!format.encoded) {
      writer_ = std::make_unique<WavTrackWriter>();
      return JobEnd::Done;
    }
    const std::filesystem::path library =
        options_.encoderLibrary.empty() ? mp3::DefaultEncoderLibraryPath() : options_.encoderLibrary;
    switch (encoder_.Load(library)) {
      case mp3::EncoderLibrary::LoadResult::NotLoaded:
        return context_.Stop(grabtext::kEncoderNotLoaded, JobEnd::EncoderFailed);
      case mp3::EncoderLibrary::LoadResult::FunctionMissing:
        return context_.Stop(grabtext::kEncoderFunctionMissing, JobEnd::EncoderFailed);
      case mp3::EncoderLibrary::LoadResult::Loaded:
        break;
    }
    writer_ = std::make_unique<Mp3TrackWriter>(encoder_, ConfigFrom(context_.inputs.grabSettings));
    return JobEnd::Done;
  }

  // The selected tracks the disc holds as audio, in order; the others are
  // named in a message and left out.
  std::vector<TrackPlan> PlanTracks(const TrackTimeTable& table) {
    int firstAudio = 0;
    int lastAudio = 0;
    for (int number = 1; table.Holds(number); ++number) {
      if (table.tracks[static_cast<std::size_t>(number - 1)].data) continue;
      if (firstAudio == 0) firstAudio = number;
      lastAudio = number;
    }
    std::vector<TrackPlan> plan;
    std::vector<int> missing;
    std::vector<int> data;
    for (int number = 1; number <= static_cast<int>(JobState::kTrackSlots); ++number) {
      if (context_.inputs.trackSelected[static_cast<std::size_t>(number - 1)] == 0) continue;
      if (!table.Holds(number)) {
        missing.push_back(number);
      } else if (table.tracks[static_cast<std::size_t>(number - 1)].data) {
        data.push_back(number);
      } else {
        plan.push_back({number, table.Start(number), table.End(number), table.Start(number).Lba(),
                        table.Length(number), number == firstAudio, number == lastAudio});
      }
    }
    if (!missing.empty()) {
      context_.Notify("Tracks not on the disc are skipped: " + NumberList(missing) + ".");
    }
    if (!data.empty()) {
      context_.Notify("Data tracks are not grabbed as audio: " + NumberList(data) + ".");
    }
    return plan;
  }

  JobEnd CheckPathLength() {
    const std::string longest = (folder_ / "track99.wav").string();
    if (longest.size() <= JobState::kOutputFolderLimit) return JobEnd::Done;
    return context_.Stop(
        "The output folder name is too long: the file names in it would be longer than 1023 characters." +
            std::string(grabtext::kTerminated),
        JobEnd::OutputPathTooLong);
  }

  std::filesystem::path OutputPath(int number, const char* extension) const {
    char name[16];
    std::snprintf(name, sizeof name, "track%02d.%s", number, extension);
    return folder_ / name;
  }

  // Reads the track's sectors in order, each read added to the checksums and
  // handed to the writer, with the drive's retries and the user's question on
  // a read that fails. A track whose read the user gave up is not kept, and
  // the grab ends there.
  JobEnd GrabTrack(const TrackPlan& track, const OutputFormat& format) {
    const std::filesystem::path path = OutputPath(track.number, format.extension);
    TrackWriteStatus status =
        writer_->Open(path, static_cast<std::uint64_t>(track.sectors) * kSectorBytes, replaceExisting_);
    if (status == TrackWriteStatus::NotCreated) return Fail(status, format, path);
    progress_.SetRange(track.sectors);
    progress_.SetPos(0);
    TrackChecksums checksums(static_cast<std::uint64_t>(track.sectors) * kSamplesPerSector, track.firstAudio,
                             track.lastAudio);
    const std::uint32_t retriesBefore = handle_->readRetries();
    bool givenUp = false;
    std::int32_t position = track.firstSector;
    const std::int32_t end = track.firstSector + track.sectors;
    std::uint8_t* buffer = context_.transferBuffer.data();
    while (status == TrackWriteStatus::Ok && position < end) {
      const std::int32_t count = end - position > format.fullReadsWhileMoreThan ? kSectorsPerRead : 1;
      const std::size_t bytes = static_cast<std::size_t>(count) * kSectorBytes;
      if (!handle_->ReadSectors(position, count, buffer, static_cast<int>(kSectorBytes), kUserDataOnly)) {
        givenUp = true;
        break;
      }
      checksums.Add(buffer, bytes);
      status = writer_->Write(buffer, bytes);
      if (status != TrackWriteStatus::Ok) break;
      position += count;
      progress_.SetPos(progress_.GetPos() + count);
    }
    if (givenUp) {
      writer_->Abandon();
    } else {
      if (status == TrackWriteStatus::Ok) status = writer_->Finish();
      if (status != TrackWriteStatus::Ok) return Fail(status, format, path);
    }
    Report(track, path, position - track.firstSector, handle_->readRetries() - retriesBefore,
           checksums);
    return givenUp ? JobEnd::ReadGivenUp : JobEnd::Done;
  }

  // The failure's own text, then the file and the system's reason on a line of their own.
  JobEnd Fail(TrackWriteStatus status, const OutputFormat& format, const std::filesystem::path& path) {
    const std::string reason = writer_->lastError();
    writer_->Abandon();
    const WriteFailure failure = FailureOf(status, format);
    return context_.Stop(WithDetail(failure.text, path.string() + (reason.empty() ? "" : ": " + reason)),
                         failure.end);
  }

  void Report(const TrackPlan& plan, const std::filesystem::path& path, std::int32_t sectorsRead,
              std::uint32_t retries, const TrackChecksums& checksums) {
    GrabbedTrack track;
    track.number = plan.number;
    track.path = path;
    track.start = plan.start;
    track.end = plan.end;
    track.sectors = plan.sectors;
    track.sectorsRead = sectorsRead;
    track.readRetries = retries;
    track.crc32 = checksums.crc32();
    track.accurateRipV1 = checksums.accurateRipV1();
    track.accurateRipV2 = checksums.accurateRipV2();
    std::string error;
    if (!log_->Add(track, error) && !logWarned_) {
      logWarned_ = true;
      context_.Notify("The checksums could not be written to grab.log.\n" + log_->path().string() + ": " + error);
    }
    if (track.complete() && options_.onTrackWritten) options_.onTrackWritten(track);
  }

  JobContext& context_;
  ProgressSink& progress_;
  const int drive_;
  std::optional<DriveHandle> handle_;
  const std::filesystem::path folder_;
  const GrabOptions& options_;
  mp3::EncoderLibrary encoder_;
  std::unique_ptr<TrackWriter> writer_;  // uses encoder_
  std::unique_ptr<GrabLog> log_;
  bool logWarned_ = false;
  bool replaceExisting_ = false;  // the user agreed to replace files at the output names
};

}  // namespace

JobProcedure MakeGrabJob(GrabOptions options) {
  return [options = std::move(options)](JobContext& context) { return Grab(context, options).Run(); };
}

JobEnd GrabJob(JobContext& context) { return Grab(context, GrabOptions{}).Run(); }

}  // namespace brenmark::audio
