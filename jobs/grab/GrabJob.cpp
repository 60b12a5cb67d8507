#include "jobs/grab/GrabJob.h"

#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "audio/AudioChunkReader.h"
#include "audio/GrabLog.h"
#include "audio/Mp3EncoderLibrary.h"
#include "audio/TrackChecksums.h"
#include "audio/TrackTimeTable.h"
#include "audio/WavTrackFile.h"
#include "platform/Utf8Path.h"

namespace brenmark::audio {
namespace {

constexpr std::int32_t kTocLength = 9600;
constexpr std::size_t kSectorBytes = AudioChunkReader::kSectorBytes;
constexpr std::int32_t kSectorsPerRead = AudioChunkReader::kSectorsPerRead;
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
  return config;
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
        registry_(context.registry),
        drive_(context.inputs.currentDrive),
        folder_(platform::PathFromUtf8(context.inputs.outputFolder)),
        options_(options) {}

  JobEnd Run() {
    progress_.EnableClose(false);
    progress_.SetStatus(grabtext::kInitializing);
    if (drive_ < 0) return context_.End(context_.Stop(grabtext::kNoDrive, JobEnd::NoDrive));
    if (const JobEnd stop = CheckPathLength(); stop != JobEnd::Done) return context_.End(stop);
    if (!registry_.OpenDevice(drive_)) {
      return context_.End(context_.Stop(grabtext::kNoDeviceAccess, JobEnd::NoDeviceAccess));
    }
    const JobEnd result = RunOnOpenDrive();
    registry_.CloseDevice(drive_);
    if (result == JobEnd::Done) {
      progress_.SetRange16(100);
      progress_.SetPos(100);
    }
    return context_.End(result);
  }

 private:
  JobEnd RunOnOpenDrive() {
    std::vector<std::uint8_t> toc(kTocLength);
    if (!registry_.ReadToc(drive_, kTocLength, toc.data())) {
      return context_.Stop(grabtext::kTocUnreadable, JobEnd::TocUnreadable);
    }
    const std::vector<TrackPlan> plan = PlanTracks(ReadTrackTimes(toc.data(), toc.size()));
    log_ = std::make_unique<GrabLog>(folder_, registry_.drive(drive_).displayName);

    int written = 0;
    int ordinal = 1;
    for (const TrackPlan& track : plan) {
      progress_.SetStatus(
          Format("Grabbing Track %d (%d of %d)", track.number, ordinal, static_cast<int>(plan.size())));
      JobEnd result = JobEnd::Done;
      bool fileWritten = false;
      switch (context_.inputs.grabSettings.format) {
        case GrabFormat::Wav:
          result = GrabWav(track, fileWritten);
          break;
        case GrabFormat::Mp3:
          result = GrabMp3(track, fileWritten);
          break;
      }
      if (fileWritten) ++written;
      if (result != JobEnd::Done) return result;
      ++ordinal;
    }
    progress_.SetStatus(Format("%d Tracks Grabbed", written));
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
      context_.prompt.ShowMessage("Tracks not on the disc are skipped: " + NumberList(missing) + ".",
                                  MessageIcon::Plain);
    }
    if (!data.empty()) {
      context_.prompt.ShowMessage("Data tracks are not grabbed as audio: " + NumberList(data) + ".",
                                  MessageIcon::Plain);
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

  JobEnd GrabWav(const TrackPlan& track, bool& fileWritten) {
    const std::filesystem::path path = OutputPath(track.number, "wav");
    WavTrackFile file;
    if (!file.Create(path)) return context_.Stop(grabtext::kCannotCreateWav, JobEnd::OutputNotCreated);
    fileWritten = true;
    progress_.SetRange(track.sectors);
    progress_.SetPos(0);
    TrackChecksums checksums(static_cast<std::uint64_t>(track.sectors) * kSamplesPerSector, track.firstAudio,
                             track.lastAudio);
    const std::uint32_t retriesBefore = registry_.drive(drive_).readRetries;
    bool writes = file.WriteHeader(static_cast<std::uint32_t>(track.sectors) * kSectorBytes);
    bool givenUp = false;
    std::int32_t position = track.firstSector;
    const std::int32_t end = track.firstSector + track.sectors;
    std::uint8_t* buffer = context_.transferBuffer.data();
    while (writes && position < end) {
      const std::int32_t count = end - position > kSectorsPerRead ? kSectorsPerRead : 1;
      const std::size_t bytes = static_cast<std::size_t>(count) * kSectorBytes;
      if (registry_.ReadSectors(drive_, position, count, buffer, static_cast<int>(kSectorBytes), kUserDataOnly) != 0) {
        givenUp = true;
        break;
      }
      checksums.Add(buffer, bytes);
      writes = file.Append(buffer, bytes);
      if (!writes) break;
      position += count;
      progress_.SetPos(progress_.GetPos() + count);
    }
    if (!file.Finish() || !writes) return context_.Stop(grabtext::kWriteDataFailed, JobEnd::OutputWriteFailed);
    Report(track, path, position - track.firstSector, registry_.drive(drive_).readRetries - retriesBefore,
           checksums);
    return givenUp ? JobEnd::ReadGivenUp : JobEnd::Done;
  }

  JobEnd GrabMp3(const TrackPlan& track, bool& fileWritten) {
    mp3::EncoderLibrary encoder;
    const std::filesystem::path library =
        options_.encoderLibrary.empty() ? mp3::DefaultEncoderLibraryPath() : options_.encoderLibrary;
    switch (encoder.Load(library)) {
      case mp3::EncoderLibrary::LoadResult::NotLoaded:
        return context_.Stop(grabtext::kEncoderNotLoaded, JobEnd::EncoderFailed);
      case mp3::EncoderLibrary::LoadResult::FunctionMissing:
        return context_.Stop(grabtext::kEncoderFunctionMissing, JobEnd::EncoderFailed);
      case mp3::EncoderLibrary::LoadResult::Loaded:
        break;
    }
    mp3::EncoderVersion version{};
    encoder.beVersion(&version);

    const std::filesystem::path path = OutputPath(track.number, "mp3");
    OutputFile file;
    if (!file.Create(path)) return context_.Stop(grabtext::kCannotCreateMp3, JobEnd::OutputNotCreated);
    fileWritten = true;

    mp3::EncoderConfig config = ConfigFrom(context_.inputs.grabSettings);
    std::uint32_t samplesPerChunk = 0;
    std::uint32_t outputSize = 0;
    mp3::StreamHandle stream = 0;
    if (encoder.beInitStream(&config, &samplesPerChunk, &outputSize, &stream) != mp3::kOk) {
      return context_.Stop(grabtext::kStreamNotOpened, JobEnd::EncoderFailed);
    }
    const std::size_t chunkBytes = std::size_t{2} * samplesPerChunk;
    // The sectors read and not yet encoded: one chunk plus one read at most.
    const std::size_t poolBytes = chunkBytes + kSectorsPerRead * kSectorBytes;
    std::unique_ptr<std::uint8_t[]> output(new (std::nothrow) std::uint8_t[outputSize]);
    std::unique_ptr<std::uint8_t[]> input(new (std::nothrow) std::uint8_t[chunkBytes]);
    std::unique_ptr<std::uint8_t[]> largerPool;
    std::span<std::uint8_t> pool(context_.transferBuffer);
    if (poolBytes > pool.size()) {
      largerPool.reset(new (std::nothrow) std::uint8_t[poolBytes]);
      pool = largerPool ? std::span<std::uint8_t>(largerPool.get(), poolBytes) : std::span<std::uint8_t>();
    }
    if (!output || !input || pool.empty()) {
      const JobEnd stop = context_.Stop(grabtext::kOutOfMemory, JobEnd::EncoderFailed);
      encoder.beCloseStream(stream);
      return stop;
    }
    std::fill(context_.transferBuffer.begin(), context_.transferBuffer.end(), std::uint8_t{0});

    TrackChecksums checksums(static_cast<std::uint64_t>(track.sectors) * kSamplesPerSector, track.firstAudio,
                             track.lastAudio);
    const std::uint32_t retriesBefore = registry_.drive(drive_).readRetries;
    AudioChunkReader reader(registry_, drive_, pool, track.firstSector, track.firstSector + track.sectors,
                            checksums);
    std::uint32_t produced = 0;
    const auto encodedWriteFailed = [&] {
      const JobEnd stop = context_.Stop(grabtext::kWriteDataFailed, JobEnd::OutputWriteFailed);
      encoder.beDeinitStream(stream, output.get(), &produced);
      encoder.beCloseStream(stream);
      return stop;
    };
    for (std::size_t chunk = reader.Read(input.get(), chunkBytes); chunk > 0;
         chunk = reader.Read(input.get(), chunkBytes)) {
      if (encoder.beEncodeChunk(stream, static_cast<std::uint32_t>(chunk / 2),
                                reinterpret_cast<const std::int16_t*>(input.get()), output.get(),
                                &produced) != mp3::kOk) {
        encoder.beDeinitStream(stream, output.get(), &produced);
        encoder.beCloseStream(stream);
        return context_.Stop(grabtext::kEncodingError, JobEnd::EncoderFailed);
      }
      if (!file.Write(output.get(), produced)) return encodedWriteFailed();
    }
    // The encoded chunks still gathered go out before the encoder's last bytes.
    if (!file.Flush()) return encodedWriteFailed();
    if (encoder.beDeinitStream(stream, output.get(), &produced) != mp3::kOk) {
      encoder.beCloseStream(stream);
      return context_.Stop(grabtext::kStreamNotClosed, JobEnd::EncoderFailed);
    }
    if (produced != 0 && !file.Write(output.get(), produced)) {
      const JobEnd stop = context_.Stop(grabtext::kWriteFlushFailed, JobEnd::OutputWriteFailed);
      encoder.beCloseStream(stream);
      return stop;
    }
    encoder.beCloseStream(stream);
    if (!file.Close()) return context_.Stop(grabtext::kWriteFlushFailed, JobEnd::OutputWriteFailed);
    encoder.beWriteVBRHeader(path.string().c_str());
    Report(track, path, reader.sectorsRead(), registry_.drive(drive_).readRetries - retriesBefore, checksums);
    return JobEnd::Done;
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
    if (!log_->Add(track) && !logWarned_) {
      logWarned_ = true;
      context_.prompt.ShowMessage("The checksums could not be written to " +
                                      (folder_ / GrabLog::kFileName).string() + ".",
                                  MessageIcon::Plain);
    }
    if (options_.onTrackWritten) options_.onTrackWritten(track);
  }

  JobContext& context_;
  ProgressSink& progress_;
  DriveRegistry& registry_;
  const int drive_;
  const std::filesystem::path folder_;
  const GrabOptions& options_;
  std::unique_ptr<GrabLog> log_;
  bool logWarned_ = false;
};

}  // namespace

JobProcedure MakeGrabJob(GrabOptions options) {
  return [options = std::move(options)](JobContext& context) { return Grab(context, options).Run(); };
}

JobEnd GrabJob(JobContext& context) { return Grab(context, GrabOptions{}).Run(); }

}  // namespace brenmark::audio
