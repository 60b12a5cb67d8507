#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "drive/SectorSource.h"
#include "platform/File.h"
#include "vcd/VcdTrackTable.h"

namespace brenmark::vcd {

// Called after each write with the number of blocks that count as progress.
using BlocksWritten = std::function<void(std::uint32_t blocks)>;

// Track 1 of a Video CD as Mode 2 Form 1 blocks of 2048 bytes from block 0:
// the file system and control files one block per run, then the zero blocks
// 16 per run while more than 16 remain, the rest one per run. Every block
// counts as progress.
class Track1Source : public SectorSource {
 public:
  // `buffer` holds at least 16 blocks and is reused for every run.
  Track1Source(const VcdTrackTable& table, std::time_t now, std::span<std::uint8_t> buffer,
               BlocksWritten onWritten);

  int blockSize() const override { return 2048; }
  int dataBlockType() const override { return 10; }
  SourceStep Next(SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

 private:
  const VcdTrackTable& table_;
  const std::time_t now_;
  std::span<std::uint8_t> buffer_;
  BlocksWritten onWritten_;
  std::uint32_t next_ = 0;
  bool zerosFilled_ = false;
};

// One MPEG track as 2332-byte Mode 2 blocks, from the track's start address:
// empty blocks up to the track's data start, one per run; the data read from
// `file` (from its current position, `budget` bytes) in runs of 16 blocks
// while more than 16 blocks' worth of bytes remain, then one per run, the
// last block padded with zeros; then 50 empty blocks, one per run. Only data
// blocks count as progress. The track keeps its length when the file ends
// before its budget (it got shorter since it was measured): zeros stand for
// the bytes it did not give.
class MpegTrackSource : public SectorSource {
 public:
  struct Track {
    std::uint8_t fileNumber = 1;  // entry i + 1
    std::int32_t trackStart = 0;  // where the drive writes the track's first block
    std::uint32_t dataStart = 0;
    std::uint64_t budget = 0;     // bytes of the file this track carries
  };

  MpegTrackSource(platform::File& file, const Track& track, std::span<std::uint8_t> buffer,
                  BlocksWritten onDataWritten);

  int blockSize() const override { return static_cast<int>(kMpegBlockSize); }
  int dataBlockType() const override { return 13; }
  SourceStep Next(SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

  // Bytes of the budget written so far, zeros for missing ones included.
  std::uint64_t taken() const { return taken_; }
  // Bytes of the budget the file did not give, written as zeros.
  std::uint64_t missing() const { return missing_; }
  // Why the source failed: the system's text.
  const std::string& failure() const { return failure_; }

 private:
  SourceStep NextData(SectorRun& run);
  SourceStep EmptyRun(SectorRun& run);

  platform::File& file_;
  const Track track_;
  std::span<std::uint8_t> buffer_;
  BlocksWritten onDataWritten_;
  std::vector<std::uint8_t> staging_;
  std::int32_t next_;
  std::uint64_t taken_ = 0;
  std::uint64_t missing_ = 0;
  std::uint32_t trailing_ = 0;
  bool singleBlocks_ = false;
  bool lastRunWasData_ = false;
  std::string failure_;
};

}  // namespace brenmark::vcd
