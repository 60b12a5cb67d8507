#include "jobs/burn/AudioTrackSource.h"

#include <algorithm>

namespace brenmark {

AudioTrackSource::AudioTrackSource(audio::AudioTrackReader& reader, std::int32_t start,
                                   std::span<std::uint8_t> buffer, ProgressSink& progress)
    : reader_(reader),
      next_(start),
      buffer_(buffer.first(std::min<std::size_t>(buffer.size(), kBlocksPerRun * audio::kAudioSectorBytes))),
      progress_(progress),
      range_(static_cast<std::int32_t>(reader.samples().offset + reader.samples().bytes)) {}

SourceStep AudioTrackSource::Next(SectorRun& run) {
  const std::uint32_t count = reader_.Next(buffer_);
  if (count == 0) return SourceStep::End;
  run.firstSector = next_;
  run.count = count;
  run.data = buffer_.first(std::size_t{count} * audio::kAudioSectorBytes);
  next_ += static_cast<std::int32_t>(count);
  return SourceStep::Run;
}

void AudioTrackSource::AfterWrite(const SectorRun& run) {
  anyWritten_ = true;
  const auto bytes = static_cast<std::int32_t>(run.data.size());
  progress_.SetPos(std::min(range_, progress_.GetPos() + bytes));
}

void TellFilesShorterThanHeaders(JobContext& context, const audio::AudioTrackPlan& plan) {
  std::string files;
  for (const audio::PlannedTrack& track : plan.tracks) {
    if (track.shorterThanHeader) files.append("\n").append(track.path);
  }
  if (files.empty()) return;
  context.Notify("These files hold fewer samples than their WAV headers say, as a file cut short does: their "
                 "tracks hold the samples there are, the last sector completed with silence:" + files);
}

}  // namespace brenmark
