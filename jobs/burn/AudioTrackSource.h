#pragma once

#include <cstdint>
#include <span>

#include "audio/AudioTrackPlan.h"
#include "audio/AudioTrackReader.h"
#include "drive/SectorSource.h"
#include "jobs/Job.h"
#include "jobs/ProgressSink.h"

namespace brenmark {

// One audio track as the audio CD job writes it: raw 2352-byte blocks, 16 to
// a run, from the track's start address on, read into the job's transfer
// buffer. The bar advances by the bytes of each run written, up to its range.
class AudioTrackSource final : public SectorSource {
 public:
  static constexpr int kBlockTypeRaw = 0;
  static constexpr std::uint32_t kBlocksPerRun = 16;

  AudioTrackSource(audio::AudioTrackReader& reader, std::int32_t start, std::span<std::uint8_t> buffer,
                   ProgressSink& progress);

  int blockSize() const override { return static_cast<int>(audio::kAudioSectorBytes); }
  int dataBlockType() const override { return kBlockTypeRaw; }
  SourceStep Next(SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

  // The bar's range for the track: the file's bytes up to its samples' end.
  std::int32_t progressRange() const { return range_; }
  // True once a run of the track has been written.
  bool anyWritten() const { return anyWritten_; }

 private:
  audio::AudioTrackReader& reader_;
  std::int32_t next_;
  std::span<std::uint8_t> buffer_;
  ProgressSink& progress_;
  std::int32_t range_;
  bool anyWritten_ = false;
};

// Tells, before the burn, of the files that hold fewer samples than their
// headers say, naming them: the burn goes on with the samples there are.
void TellFilesShorterThanHeaders(JobContext& context, const audio::AudioTrackPlan& plan);

}  // namespace brenmark
