#include "vcd/VcdTrackSources.h"

#include <algorithm>
#include <cstring>

#include "vcd/MpegSectors.h"
#include "vcd/VcdFileSystem.h"

namespace brenmark::vcd {
namespace {

constexpr std::uint32_t kBlocksPerRun = 16;
constexpr std::uint32_t kTrack1BlockSize = 2048;

}  // namespace

Track1Source::Track1Source(const VcdTrackTable& table, std::time_t now, std::span<std::uint8_t> buffer,
                           BlocksWritten onWritten)
    : table_(table), now_(now), buffer_(buffer), onWritten_(std::move(onWritten)) {}

SourceStep Track1Source::Next(SectorRun& run) {
  if (next_ >= kTrack1Sectors) return SourceStep::End;
  std::uint32_t count = 1;
  if (next_ < kTrailingZeroSectors) {
    BuildTrack1Sector(next_, table_, now_, buffer_.first(kTrack1BlockSize));
    zerosFilled_ = false;
  } else {
    if (kTrack1Sectors - next_ > kBlocksPerRun) count = kBlocksPerRun;
    if (!zerosFilled_) {
      std::memset(buffer_.data(), 0, kBlocksPerRun * kTrack1BlockSize);
      zerosFilled_ = true;
    }
  }
  run.firstSector = static_cast<std::int32_t>(next_);
  run.count = count;
  run.data = buffer_.first(count * kTrack1BlockSize);
  next_ += count;
  return SourceStep::Run;
}

void Track1Source::AfterWrite(const SectorRun& run) {
  if (onWritten_) onWritten_(run.count);
}

MpegTrackSource::MpegTrackSource(platform::File& file, const Track& track, std::span<std::uint8_t> buffer,
                                 BlocksWritten onDataWritten)
    : file_(file),
      track_(track),
      buffer_(buffer),
      onDataWritten_(std::move(onDataWritten)),
      staging_(kBlocksPerRun * kMpegDataSize),
      next_(track.trackStart) {}

SourceStep MpegTrackSource::Next(SectorRun& run) {
  lastRunWasData_ = false;
  if (next_ < static_cast<std::int64_t>(track_.dataStart)) return EmptyRun(run);
  if (taken_ < track_.budget) return NextData(run);
  if (trailing_ < kTrailingEmptySectors) {
    ++trailing_;
    return EmptyRun(run);
  }
  return SourceStep::End;
}

SourceStep MpegTrackSource::EmptyRun(SectorRun& run) {
  FillEmptyBlock(track_.fileNumber, buffer_.data());
  run.firstSector = next_++;
  run.count = 1;
  run.data = buffer_.first(kMpegBlockSize);
  return SourceStep::Run;
}

SourceStep MpegTrackSource::NextData(SectorRun& run) {
  if (taken_ + std::uint64_t{kBlocksPerRun} * kMpegDataSize >= track_.budget) singleBlocks_ = true;
  const std::uint32_t count = singleBlocks_ ? 1 : kBlocksPerRun;
  const std::size_t wanted = static_cast<std::size_t>(
      std::min<std::uint64_t>(std::uint64_t{count} * kMpegDataSize, track_.budget - taken_));
  std::size_t got = 0;
  // A file that ended early gives nothing more: the rest of its share is zeros.
  while (got < wanted && missing_ == 0) {
    const std::int64_t read = file_.Read(staging_.data() + got, wanted - got);
    if (read < 0) {
      failure_ = file_.lastError();
      return SourceStep::Failed;
    }
    if (read == 0) break;
    got += static_cast<std::size_t>(read);
  }
  missing_ += wanted - got;
  std::memset(staging_.data() + got, 0, count * kMpegDataSize - got);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t* block = buffer_.data() + std::size_t{i} * kMpegBlockSize;
    PutMpegSubheader(track_.fileNumber, block);
    std::memcpy(block + kSubheaderSize, staging_.data() + std::size_t{i} * kMpegDataSize, kMpegDataSize);
  }
  taken_ += wanted;
  run.firstSector = next_;
  run.count = count;
  run.data = buffer_.first(count * kMpegBlockSize);
  next_ += static_cast<std::int32_t>(count);
  lastRunWasData_ = true;
  return SourceStep::Run;
}

void MpegTrackSource::AfterWrite(const SectorRun& run) {
  if (lastRunWasData_ && onDataWritten_) onDataWritten_(run.count);
}

}  // namespace brenmark::vcd
