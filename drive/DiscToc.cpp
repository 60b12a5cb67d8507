#include "drive/DiscToc.h"

namespace brenmark {
namespace {

std::int32_t Frames(std::int32_t minute, std::int32_t second, std::int32_t frame) {
  return minute * 4500 + second * 75 + frame;
}

}  // namespace

std::int32_t TocSession::TrackStart(int index) const {
  if (index < 0 || index >= trackCount()) return 0;
  const TocTrack& track = tracks[static_cast<std::size_t>(index)];
  return Frames(track.startMinute, track.startSecond, track.startFrame);
}

std::int32_t TocSession::LeadOut() const {
  return Frames(leadOutMinute, leadOutSecond, leadOutFrame);
}

std::int32_t TocSession::TrackLength(int index) const {
  if (index < 0 || index >= trackCount()) return 0;
  const std::int32_t end = index + 1 == trackCount() ? LeadOut() : TrackStart(index + 1);
  if (end == 0) return 0;
  return end - TrackStart(index);
}

}  // namespace brenmark
