#include "audio/AudioTrackPlan.h"

#include <utility>

namespace brenmark::audio {
namespace {

constexpr std::int64_t kRunOutBlocks = 2;
constexpr std::int64_t kPregapBlocks = 150;

}  // namespace

std::int64_t AudioTrackPlan::BlocksNeeded() const {
  std::int64_t blocks = 0;
  for (const PlannedTrack& track : tracks) blocks += track.sectors + kRunOutBlocks;
  if (tracks.size() > 1) blocks += kPregapBlocks * static_cast<std::int64_t>(tracks.size() - 1);
  return blocks;
}

std::int64_t AudioTrackPlan::LastTrackNumber(int firstTrack) const {
  return firstTrack + static_cast<std::int64_t>(tracks.size()) - 1;
}

AudioTrackPlan PlanAudioTracks(std::span<const std::string> files) {
  AudioTrackPlan plan;
  for (const std::string& path : files) {
    AudioTrackReader reader;
    const WavOpenResult opened = reader.Open(path);
    if (opened != WavOpenResult::Ok) {
      plan.refused.push_back({path, opened, reader.openError()});
      continue;
    }
    plan.tracks.push_back(
        {path, reader.sectorCount(), reader.paddedToMinimum(), reader.shorterThanHeader(), std::move(reader)});
  }
  return plan;
}

}  // namespace brenmark::audio
