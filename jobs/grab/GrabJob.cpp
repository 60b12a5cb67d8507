#include "jobs/grab/GrabJob.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/GrabLog.h"
#include "audio/Mp3EncoderLibrary.h"
#include "audio/Mp3TrackWriter.h"
#include "audio/OutputFile.h"
#include "audio/TrackChecksums.h"
#include "audio/TrackTimeTable.h"
#include "audio/WavTrackWriter.h"
#include "jobs/EndingLine.h"
#include "jobs/grab/OutputFolder.h"
#include "jobs/grab/TrackPipeline.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
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

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
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

// A track whose reads are done and whose file is still being written.
struct ReadTrack {
  TrackPlan plan;
  std::filesystem::path path;  // where its file is to be
  TrackChecksums checksums;
  std::int32_t sectorsRead = 0;
  std::uint32_t readRetries = 0;
};

// The bytes read ahead of the encoders at most: a few tracks of music, so
// that both cores encode while a fast drive reads on.
constexpr std::size_t kReadAheadBudget = std::size_t{128} << 20;

// What an MP3 grab of `sectors` takes on disk, about: the bit rate's bytes
// for the track's time, and a few frames of tag and padding.
std::uint64_t EstimatedFileBytes(const GrabSettings& settings, std::int32_t sectors) {
  if (settings.format == GrabFormat::Wav) return 44 + static_cast<std::uint64_t>(sectors) * kSectorBytes;
  return static_cast<std::uint64_t>(sectors) * static_cast<std::uint64_t>(settings.bitrateKbps) * 125 / 75 + 8192;
}

// Megabytes, rounded up for what is needed and down for what is free, so
// that the two never look alike when the space does not suffice.
std::string MegabytesUp(std::uint64_t bytes) { return std::to_string((bytes + 999999) / 1000000) + " MB"; }
std::string MegabytesDown(std::uint64_t bytes) { return std::to_string(bytes / 1000000) + " MB"; }

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
    if (const JobEnd room = CheckRoom(plan, format); room != JobEnd::Done) return room;
    if (const JobEnd loaded = LoadEncoder(format); loaded != JobEnd::Done) return loaded;
    log_ = std::make_unique<GrabLog>(folder_, handle_->drive().displayName, std::time(nullptr));

    TrackPipeline pipeline(format.encoded ? EncoderWorkers() : 0, kReadAheadBudget);
    pipeline_ = &pipeline;
    int ordinal = 1;
    for (const TrackPlan& track : plan) {
      if (context_.StopRequested()) return StopAfterReads();
      progress_.SetStatus(
          Format("Grabbing Track %d (%d of %d)", track.number, ordinal, static_cast<int>(plan.size())));
      if (const JobEnd result = GrabTrack(track, format); result != JobEnd::Done) return result;
      ++ordinal;
    }
    if (const JobEnd result = ReportFinished(true); result != JobEnd::Done) return result;
    if (!incomplete_.empty()) {
      return Stop(grabtext::kIncompleteTracks + NameList(incomplete_) + ".", JobEnd::ReadGivenUp);
    }
    progress_.SetStatus(Format("%d Tracks Grabbed", static_cast<int>(plan.size())));
    return JobEnd::Done;
  }

  // One encoder per processor, each on its own track; the reads go on
  // beside them.
  int EncoderWorkers() const {
    if (options_.encoderThreads) return *options_.encoderThreads;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  }

  // Tells the user why the grab stops and, once it has begun, grab.log too.
  JobEnd Stop(const std::string& text, JobEnd result) {
    if (log_) {
      std::string ending = text;
      const std::string terminated = grabtext::kTerminated;
      if (const auto at = ending.find(terminated); at != std::string::npos) ending.erase(at, terminated.size());
      std::string ignored;  // a log that cannot be written has been told of with its track
      log_->AddEnding("Grab failed: " + ending, ignored);
    }
    return context_.Stop(text, result);
  }

  // The tracks read completely are finished and kept; no more is read.
  JobEnd StopAfterReads() {
    if (const JobEnd result = ReportFinished(true); result != JobEnd::Done) return result;
    std::string ignored;
    log_->AddEnding(grabtext::kStoppedByUser, ignored);
    progress_.SetStatus(grabtext::kStoppedByUser);
    return JobEnd::StoppedByUser;
  }

  // Before the first read: the output folder exists and takes files, or is
  // created now (asked first when the settings say so, and only when it can be).
  JobEnd PrepareFolder() {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(folder_, error);
    const std::string shown = platform::Utf8FromPath(folder_);
    if (std::filesystem::is_directory(status)) {
      std::string reason;
      if (platform::CanWriteInFolder(folder_, reason)) return JobEnd::Done;
      return context_.Stop(grabtext::kFolderNotWritable + shown + ": " + reason + grabtext::kTerminated,
                           JobEnd::OutputNotCreated);
    }
    if (std::filesystem::exists(status)) {
      return context_.Stop(grabtext::kNotAFolder + shown + grabtext::kTerminated, JobEnd::OutputNotCreated);
    }
    if (const std::string obstacle = WhyFolderCannotBeMade(folder_); !obstacle.empty()) {
      return context_.Stop(grabtext::kFolderNotCreated + obstacle + "." + grabtext::kTerminated,
                           JobEnd::OutputNotCreated);
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

  // Before the first read: grab.log must be a file of its own, nothing but
  // files may be at the output names, and files there are replaced only when
  // the user says so. Files an interrupted grab left are named, and removed
  // when files are to be replaced without asking.
  JobEnd CheckOutputNames(const std::vector<TrackPlan>& plan, const OutputFormat& format) {
    const std::filesystem::path log = folder_ / GrabLog::kFileName;
    const platform::EntryAtPath logEntry = platform::LookAtEntry(log);
    if (logEntry == platform::EntryAtPath::Link || logEntry == platform::EntryAtPath::Other) {
      return context_.Stop(std::string(grabtext::kLogNotAFile) + "\n" + log.string() + grabtext::kTerminated,
                           JobEnd::OutputNotCreated);
    }
    std::vector<std::string> taken;
    std::vector<std::string> notFiles;
    for (const TrackPlan& track : plan) {
      const std::filesystem::path path = OutputPath(track.number, format.extension);
      const platform::EntryAtPath entry = platform::LookAtEntry(path);
      if (entry == platform::EntryAtPath::Other) notFiles.push_back(path.filename().string());
      if (entry != platform::EntryAtPath::Nothing) taken.push_back(path.filename().string());
    }
    if (!notFiles.empty()) {
      return context_.Stop(grabtext::kOutputsNotFiles + NameList(notFiles) + "." + grabtext::kTerminated,
                           JobEnd::OutputNotCreated);
    }
    TellLeftovers();
    replaceExisting_ = false;
    if (taken.empty()) return JobEnd::Done;
    switch (context_.inputs.grabSettings.existingOutputs) {
      case ExistingOutputs::Replace:
        break;
      case ExistingOutputs::Ask:
        if (!context_.prompt.AskBeforeReplacing(
                taken.size() == 1 ? grabtext::kReplaceOneQuestion
                                  : Format(grabtext::kReplaceQuestion, static_cast<int>(taken.size())))) {
          return JobEnd::OutputsExist;
        }
        break;
      case ExistingOutputs::Refuse:
        return context_.Stop(grabtext::kOutputsExist + NameList(taken) + ".", JobEnd::OutputsExist);
    }
    replaceExisting_ = true;
    return JobEnd::Done;
  }

  void TellLeftovers() {
    std::vector<std::string> leftovers = LeftoverPartFiles(folder_);
    if (leftovers.empty()) return;
    if (context_.inputs.grabSettings.existingOutputs != ExistingOutputs::Replace) {
      context_.Notify(grabtext::kLeftoversFound + NameList(leftovers) + ".");
      return;
    }
    std::vector<std::string> kept;
    for (const std::string& name : leftovers) {
      std::string reason;
      if (!RemoveUnownedPart(folder_ / platform::PathFromUtf8(name), reason)) kept.push_back(name + ": " + reason);
    }
    context_.Notify(grabtext::kLeftoversRemoved + NameList(leftovers) + "." +
                    (kept.empty() ? "" : "\n" + std::string(grabtext::kLeftoversNotRemoved) + NameList(kept) + "."));
  }

  // Before the first read: the output folder's file system has room for
  // every file of the grab, as far as the system tells. A file replaced at
  // an output name frees its space once the new one, complete, takes its
  // name, track after track: the most the grab takes beyond what is free now
  // is reached while some track's new file is written beside its old one.
  JobEnd CheckRoom(const std::vector<TrackPlan>& plan, const OutputFormat& format) {
    std::uint64_t needed = 0;
    std::uint64_t written = 0;
    std::uint64_t freed = 0;
    for (const TrackPlan& track : plan) {
      written += EstimatedFileBytes(context_.inputs.grabSettings, track.sectors);
      needed = std::max(needed, written > freed ? written - freed : 0);
      if (replaceExisting_) freed += ReplacedBytes(OutputPath(track.number, format.extension));
    }
    std::string error;
    const std::optional<std::uint64_t> available =
        options_.availableSpace ? options_.availableSpace(folder_) : platform::AvailableSpace(folder_, error);
    if (!available || *available >= needed) return JobEnd::Done;
    return context_.Stop(std::string(grabtext::kNoRoom) + "\n" + platform::Utf8FromPath(folder_) + ": about " +
                             MegabytesUp(needed) + " needed, " + MegabytesDown(*available) + " free." +
                             grabtext::kTerminated,
                         JobEnd::OutputNotCreated);
  }

  // The space a file at an output name gives back when the grab's file
  // replaces it: a link or anything but a regular file gives none.
  static std::uint64_t ReplacedBytes(const std::filesystem::path& path) {
    if (platform::LookAtEntry(path) != platform::EntryAtPath::RegularFile) return 0;
    const std::optional<platform::FileStatus> status = platform::ReadFileStatus(path);
    return status ? status->size : 0;
  }

  // The encoder library, loaded once for all the tracks of an MP3 grab.
  JobEnd LoadEncoder(const OutputFormat& format) {
    if (!format.encoded) return JobEnd::Done;
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
    return JobEnd::Done;
  }

  // A writer of the grab's format for one track: tracks encoded side by side
  // each have their own.
  std::unique_ptr<TrackWriter> MakeWriter(const OutputFormat& format) const {
    if (!format.encoded) return std::make_unique<WavTrackWriter>();
    return std::make_unique<Mp3TrackWriter>(encoder_, ConfigFrom(context_.inputs.grabSettings));
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

  // "track03.mp3", or "track03.incomplete.mp3" for a track whose read was given up.
  std::filesystem::path OutputPath(int number, const char* extension, bool incomplete = false) const {
    char name[32];
    std::snprintf(name, sizeof name, "track%02d.%s%s", number, incomplete ? "incomplete." : "", extension);
    return folder_ / name;
  }

  // Reads the track's sectors in order, each read added to the checksums and
  // handed to the track's writer, with the drive's retries and the user's
  // question on a read that fails. A track whose read the user gave up keeps
  // what was read under its incomplete name, and the grab goes on.
  JobEnd GrabTrack(const TrackPlan& track, const OutputFormat& format) {
    const std::filesystem::path path = OutputPath(track.number, format.extension);
    std::unique_ptr<TrackWriter> writer = MakeWriter(format);
    if (const TrackWriteStatus opened =
            writer->Open(path, static_cast<std::uint64_t>(track.sectors) * kSectorBytes, replaceExisting_);
        opened != TrackWriteStatus::Ok) {
      const std::string reason = writer->lastError();
      writer->Abandon();
      if (const JobEnd earlier = ReportFinished(true); earlier != JobEnd::Done) return earlier;
      return Fail(opened, reason, path);
    }
    pipeline_->Begin(std::move(writer));
    progress_.SetRange(track.sectors);
    progress_.SetPos(0);
    read_.push_back({track, path,
                     TrackChecksums(static_cast<std::uint64_t>(track.sectors) * kSamplesPerSector, track.firstAudio,
                                    track.lastAudio)});
    ReadTrack& read = read_.back();
    const std::uint32_t retriesBefore = handle_->readRetries();
    bool givenUp = false;
    bool written = true;
    std::int32_t position = track.firstSector;
    const std::int32_t end = track.firstSector + track.sectors;
    std::uint8_t* buffer = context_.transferBuffer.data();
    while (written && position < end) {
      const std::int32_t count = end - position > format.fullReadsWhileMoreThan ? kSectorsPerRead : 1;
      const std::size_t bytes = static_cast<std::size_t>(count) * kSectorBytes;
      if (!handle_->ReadSectors(position, count, buffer, static_cast<int>(kSectorBytes), kUserDataOnly)) {
        givenUp = true;
        break;
      }
      read.checksums.Add(buffer, bytes);
      written = pipeline_->Write(buffer, bytes);
      position += count;
      progress_.SetPos(progress_.GetPos() + count);
      if (const JobEnd earlier = ReportFinished(false); earlier != JobEnd::Done) return earlier;
    }
    read.sectorsRead = position - track.firstSector;
    read.readRetries = handle_->readRetries() - retriesBefore;
    if (givenUp) read.path = OutputPath(track.number, format.extension, true);
    pipeline_->End(givenUp ? std::optional(read.path) : std::nullopt);
    return ReportFinished(!written);
  }

  // Reports the tracks whose files are written, in disc order: all of them
  // when `wait`. The first whose file failed ends the grab: the tracks after
  // it are abandoned.
  JobEnd ReportFinished(bool wait) {
    while (std::optional<TrackPipeline::Outcome> outcome = pipeline_->TakeFinished(wait)) {
      const ReadTrack read = std::move(read_.front());
      read_.pop_front();
      if (outcome->status != TrackWriteStatus::Ok) {
        pipeline_->AbandonAll();
        read_.clear();
        const OutputFormat& format = context_.inputs.grabSettings.format == GrabFormat::Mp3 ? kMp3 : kWav;
        return Fail(outcome->status, outcome->error, OutputPath(read.plan.number, format.extension));
      }
      Report(read);
    }
    return JobEnd::Done;
  }

  // The failure's own text, then the file and the system's reason on a line of their own.
  JobEnd Fail(TrackWriteStatus status, const std::string& reason, const std::filesystem::path& path) {
    const OutputFormat& format = context_.inputs.grabSettings.format == GrabFormat::Mp3 ? kMp3 : kWav;
    const WriteFailure failure = FailureOf(status, format);
    return Stop(WithDetail(failure.text, path.string() + (reason.empty() ? "" : ": " + reason)), failure.end);
  }

  void Report(const ReadTrack& read) {
    GrabbedTrack track;
    track.number = read.plan.number;
    track.path = read.path;
    track.start = read.plan.start;
    track.end = read.plan.end;
    track.sectors = read.plan.sectors;
    track.sectorsRead = read.sectorsRead;
    track.readRetries = read.readRetries;
    track.crc32 = read.checksums.crc32();
    track.accurateRipV1 = read.checksums.accurateRipV1();
    track.accurateRipV2 = read.checksums.accurateRipV2();
    if (!track.complete()) {
      incomplete_.push_back(platform::Utf8FromPath(read.path.filename()) + " (" + std::to_string(track.sectorsRead) +
                            " of " + std::to_string(track.sectors) + " sectors)");
    }
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
  std::unique_ptr<GrabLog> log_;
  TrackPipeline* pipeline_ = nullptr;   // the grab's, while its tracks are read; uses encoder_
  std::deque<ReadTrack> read_;          // the tracks read whose files are not reported yet
  std::vector<std::string> incomplete_;  // the files of tracks whose read was given up
  bool logWarned_ = false;
  bool replaceExisting_ = false;  // the user agreed to replace files at the output names
};

}  // namespace

JobProcedure MakeGrabJob(GrabOptions options) {
  return [options = std::move(options)](JobContext& context) { return Grab(context, options).Run(); };
}

JobEnd GrabJob(JobContext& context) { return Grab(context, GrabOptions{}).Run(); }

}  // namespace brenmark::audio
