#pragma once

#include <cstdint>
#include <span>

namespace brenmark {

// One run of blocks a burn writes: `count` blocks of the source's block size
// from the absolute address `firstSector`, contiguous in `data`.
struct SectorRun {
  std::int32_t firstSector = 0;
  std::uint32_t count = 0;
  std::span<const std::uint8_t> data;  // count * block size bytes, valid until the next Next
};

// What a source gave when asked for its next run.
enum class SourceStep : std::uint8_t {
  Run,     // `run` holds blocks to write
  End,     // everything has been given
  Failed,  // the source could not produce its next blocks; it has said why
};

// What a burn writes from: an ISO 9660 image, audio samples, MPEG sectors.
// The writer pulls runs in order and writes each one before asking for the
// next, so a run's data may live in one buffer the source reuses.
class SectorSource {
 public:
  virtual ~SectorSource() = default;

  // Bytes per block as the write commands carry them (2048, 2332, 2352).
  virtual int blockSize() const = 0;
  // The Write Parameters page's data block type for these blocks (0 raw
  // audio, 8 Mode 1, 10 Mode 2 Form 1, 13 Mode 2 with subheader).
  virtual int dataBlockType() const = 0;

  virtual SourceStep Next(SectorRun& run) = 0;

  // Around the write of each run, for the source's own progress steps.
  virtual void BeforeWrite(const SectorRun&) {}
  virtual void AfterWrite(const SectorRun&) {}
};

}  // namespace brenmark
