#include "jobs/burn/DescriptorsLastSource.h"

#include <algorithm>

namespace brenmark {

SourceStep DescriptorsLastSource::Next(SectorRun& run) {
  if (heldGiven_) return SourceStep::End;
  const SourceStep step = inner_.Next(run);
  if (step == SourceStep::End && !held_.empty()) {
    heldGiven_ = true;
    run = {kDescriptorsStart, HeldCount(), held_};
    return SourceStep::Run;
  }
  if (step != SourceStep::Run || !holding_) return step;
  const std::int64_t nextHeld = kDescriptorsStart + static_cast<std::int64_t>(HeldCount());
  const std::int64_t end = static_cast<std::int64_t>(run.firstSector) + run.count;
  if (run.firstSector > nextHeld || end <= nextHeld) return step;
  run_.assign(run.data.begin(), run.data.end());
  for (std::int64_t block = nextHeld; block < end && holding_; ++block) {
    auto* bytes = run_.data() + static_cast<std::size_t>(block - run.firstSector) * kBlock;
    held_.insert(held_.end(), bytes, bytes + kBlock);
    holding_ = bytes[0] != kTerminator && HeldCount() < kMostHeld;
    std::fill(bytes, bytes + kBlock, std::uint8_t{0});
  }
  run.data = run_;
  return step;
}

// The held set's own run is no step of the image's progress.
void DescriptorsLastSource::BeforeWrite(const SectorRun& run) {
  if (!heldGiven_) inner_.BeforeWrite(run);
}

void DescriptorsLastSource::AfterWrite(const SectorRun& run) {
  if (!heldGiven_) inner_.AfterWrite(run);
}

}  // namespace brenmark
