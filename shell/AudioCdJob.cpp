#include "shell/AudioCdJob.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"

namespace brenmark {
namespace {

using audio::AudioTrackPlan;
using audio::AudioTrackReader;
using audio::WavOpenResult;

constexpr int kModePageLength = 64;
constexpr int kWriteParametersPage = 0x05;
constexpr int kBufferUnderrunProtection = 0x01;
constexpr int kTrackAtOnce = 1;
constexpr int kSessionFormatCdDa = 0x00;
constexpr int kBlockTypeRaw = 0;
constexpr int kMultiSessionAllowed = 0xC0;
constexpr int kTrackModeAudio = 0;
// Each write carries 16 raw sectors (37,632 bytes).
constexpr std::uint32_t kSectorsPerWrite = 16;
constexpr int kSectorBytes = static_cast<int>(audio::kAudioSectorBytes);

std::string WithPath(const char* text, const std::string& path) {
  std::string result = text;
  result.replace(result.find("%s"), 2, path);
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
      : context_(context),
        progress_(context.progress),
        registry_(context.registry),
        drive_(context.inputs.currentDrive),
        files_(context.inputs.sourceFiles) {}

  int Run() {
    progress_.EnableClose(false);
    progress_.SetStatus("Initializing disc format...");
    if (drive_ < 0) return End(Stop(audiojobtext::kNoDrive, audiojob::kNoDrive));
    registry_.OpenDevice(drive_);
    const int result = RunOnOpenDrive();
    registry_.CloseDevice(drive_);
    return End(result);
  }

 private:
  int RunOnOpenDrive() {
    int base = 1;
    if (!registry_.IsDiscBlank(drive_)) {
      if (!registry_.IsDiscAppendable(drive_)) return Stop(audiojobtext::kDiscNotWritable, audiojob::kDiscNotWritable);
      base = registry_.GetLastTrackNumber(drive_);
    }
    const AudioTrackPlan plan = audio::PlanAudioTracks(files_);
    if (const int stop = CheckPlan(plan, base); stop != 0) return stop;
    WarnOfShortTracks(plan);

    if (registry_.SetSpeed(drive_, static_cast<std::int32_t>(context_.inputs.writeSpeed), 0) != 0) {
      context_.prompt.ShowMessage(audiojobtext::kSpeedRefused, MessageIcon::Plain);
    }
    if (!SelectWriteMode()) return Stop(audiojobtext::kWriteModeRefused, audiojob::kWriteModeRefused);

    bool complete = true;
    for (std::size_t i = 0; i < files_.size(); ++i) {
      const int track = base + static_cast<int>(i);
      const std::int32_t lba = registry_.GetTrackStartAddress(drive_, track);
      if (lba == 0 && track != 1) {
        return Stop(TrackAddressText(track), audiojob::kNoTrackAddress);
      }
      AudioTrackReader reader;
      const WavOpenResult opened = reader.Open(files_[i]);
      if (opened == WavOpenResult::CannotOpen) return Stop(audiojobtext::kCannotOpenSource, audiojob::kBurnFailed);
      if (opened == WavOpenResult::NotCdAudio) {
        context_.prompt.ShowMessage(WithPath(audiojobtext::kNotCdAudio, files_[i]), MessageIcon::Plain);
        complete = false;
        break;
      }
      if (!WriteTrack(reader, i + 1, lba)) complete = false;
      progress_.SetStatus(TrackStatus("Closing Track %d of %d ...", i + 1, files_.size()));
      registry_.SynchronizeCache(drive_);
      registry_.CloseTrack(drive_, track);
    }

    progress_.SetStatus("Closing Disc Session...");
    if (registry_.CloseSession(drive_) != 0) {
      context_.prompt.ShowMessage(audiojobtext::kCloseSessionFailed, MessageIcon::Plain);
      complete = false;
    }
    progress_.SetStatus(complete ? audiojobtext::kDone : audiojobtext::kBurnFailed);
    registry_.EjectDisc(drive_);
    return complete ? audiojob::kBurned : audiojob::kBurnFailed;
  }

  // Refuses, before anything is written, tracks the disc cannot number or hold.
  int CheckPlan(const AudioTrackPlan& plan, int base) {
    const std::int64_t lastTrack = plan.LastTrackNumber(base);
    if (lastTrack > audio::kMaxTrackNumber) {
      return Stop("The disc would need track numbers up to " + std::to_string(lastTrack) + ", but a CD holds " +
                      std::to_string(audio::kMaxTrackNumber) + " tracks at most." + audiojobtext::kTerminated,
                  audiojob::kTooManyTracks);
    }
    if (plan.tracks.empty()) return 0;
    const std::int64_t needed = plan.BlocksNeeded();
    const std::int64_t free = registry_.GetTrackFreeBlocks(drive_, base);
    if (needed <= free) return 0;
    return Stop("The audio does not fit on the disc: it needs " + std::to_string(needed) + " sectors, the disc has " +
                    std::to_string(free) + " free." + audiojobtext::kTerminated,
                audiojob::kDoesNotFit);
  }

  void WarnOfShortTracks(const AudioTrackPlan& plan) {
    std::string files;
    for (const audio::PlannedTrack& track : plan.tracks) {
      if (track.paddedToMinimum) files += "\n" + track.path;
    }
    if (files.empty()) return;
    context_.prompt.ShowMessage(
        "A track must last at least 4 seconds: these files are shorter, and their tracks are completed with "
        "silence:" + files,
        MessageIcon::Plain);
  }

  static std::string TrackAddressText(int track) {
    return "The drive did not tell where track " + std::to_string(track) + " starts." + audiojobtext::kTerminated;
  }

  bool SelectWriteMode() {
    std::array<std::uint8_t, kModePageLength> page{};
    registry_.ModeSense(drive_, kWriteParametersPage, kModePageLength, page.data());
    const int multiSession = context_.inputs.multiSession != 0 ? kMultiSessionAllowed : 0;
    return registry_.SetWriteParameters(drive_, kModePageLength, page.data(), kBufferUnderrunProtection,
                                        kTrackAtOnce, kSessionFormatCdDa, kBlockTypeRaw, multiSession,
                                        kTrackModeAudio, nullptr) == 0;
  }

  // Writes every sector of the track from `lba`; false when a write was given
  // up (the rest of the file is skipped) or the file could not be read to its end.
  bool WriteTrack(AudioTrackReader& reader, std::size_t position, std::int32_t lba) {
    const auto size = static_cast<std::int32_t>(reader.samples().offset + reader.samples().bytes);
    progress_.SetRange(size);
    progress_.SetPos(0);
    progress_.SetStatus(TrackStatus("Burning Track %d of %d on CD ...", position, files_.size()));
    const std::span<std::uint8_t> chunk(context_.transferBuffer.data(), kSectorsPerWrite * audio::kAudioSectorBytes);
    while (const std::uint32_t sectors = reader.Next(chunk)) {
      if (registry_.WriteSectors(drive_, lba, static_cast<int>(sectors), kSectorBytes, chunk.data()) != 0) return false;
      progress_.SetPos(std::min(size, progress_.GetPos() + static_cast<std::int32_t>(sectors) * kSectorBytes));
      lba += static_cast<std::int32_t>(sectors);
    }
    if (reader.readFailed()) {
      context_.prompt.ShowMessage(
          "The file " + reader.path() + " could not be read to its end; the rest of its track is silence.",
          MessageIcon::Plain);
      return false;
    }
    return true;
  }

  int Stop(const std::string& text, int result) {
    context_.prompt.ShowMessage(text, MessageIcon::Error);
    return result;
  }

  int End(int result) {
    progress_.EnableClose(true);
    return result;
  }

  JobContext& context_;
  ProgressSink& progress_;
  DriveRegistry& registry_;
  const int drive_;
  const std::vector<std::string>& files_;
};

}  // namespace

int AudioCdJob(JobContext& context) { return AudioCdBurn(context).Run(); }

}  // namespace brenmark
