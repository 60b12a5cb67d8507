#include "jobs/burn/SessionAtOnceSources.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "drive/CdCueSheet.h"

namespace brenmark {
namespace {

// Runs of at most this many blocks, as one write command carries.
constexpr std::uint32_t kMaxBlocksPerRun = 255;
constexpr std::uint32_t kPacksPerBlock = 4;

std::uint32_t RunBlocks(std::int32_t next, std::int32_t end, int blockSize, std::span<std::uint8_t> buffer) {
  const auto fits = static_cast<std::uint32_t>(buffer.size() / static_cast<std::size_t>(blockSize));
  return std::min({static_cast<std::uint32_t>(end - next), fits, kMaxBlocksPerRun});
}

void Advance(ProgressSink& progress, const SectorRun& run) {
  progress.SetPos(progress.GetPos() + static_cast<std::int32_t>(run.count));
}

}  // namespace

ZeroBlockSource::ZeroBlockSource(std::int32_t first, std::uint32_t count, int blockSize,
                                 std::span<std::uint8_t> buffer, ProgressSink& progress)
    : next_(first),
      end_(first + static_cast<std::int32_t>(count)),
      blockSize_(blockSize),
      buffer_(buffer),
      progress_(progress) {}

SourceStep ZeroBlockSource::Next(SectorRun& run) {
  if (next_ >= end_) return SourceStep::End;
  run.firstSector = next_;
  run.count = RunBlocks(next_, end_, blockSize_, buffer_);
  run.data = buffer_.first(std::size_t{run.count} * static_cast<std::size_t>(blockSize_));
  std::memset(buffer_.data(), 0, run.data.size());
  next_ += static_cast<std::int32_t>(run.count);
  return SourceStep::Run;
}

void ZeroBlockSource::AfterWrite(const SectorRun& run) { Advance(progress_, run); }

FileBlockSource::FileBlockSource(platform::File& file, std::string name, std::uint64_t offset, std::int32_t first,
                                 std::uint32_t count, int blockSize, std::span<std::uint8_t> buffer,
                                 ProgressSink& progress)
    : file_(file),
      name_(std::move(name)),
      offset_(offset),
      next_(first),
      end_(first + static_cast<std::int32_t>(count)),
      blockSize_(blockSize),
      buffer_(buffer),
      progress_(progress) {}

SourceStep FileBlockSource::Next(SectorRun& run) {
  if (next_ >= end_) return SourceStep::End;
  run.firstSector = next_;
  run.count = RunBlocks(next_, end_, blockSize_, buffer_);
  run.data = buffer_.first(std::size_t{run.count} * static_cast<std::size_t>(blockSize_));
  const std::int64_t read = file_.ReadAt(static_cast<std::int64_t>(offset_), buffer_.data(), run.data.size());
  if (read != static_cast<std::int64_t>(run.data.size())) {
    failed_ = name_;
    return SourceStep::Failed;
  }
  offset_ += run.data.size();
  next_ += static_cast<std::int32_t>(run.count);
  return SourceStep::Run;
}

void FileBlockSource::AfterWrite(const SectorRun& run) { Advance(progress_, run); }

CdTextLeadInSource::CdTextLeadInSource(const std::vector<cdtext::Pack>& packs, std::int32_t first,
                                       std::span<std::uint8_t> buffer)
    : packs_(packs), next_(first), buffer_(buffer) {}

int CdTextLeadInSource::blockSize() const { return cdcue::kLeadInBlockSize; }

SourceStep CdTextLeadInSource::Next(SectorRun& run) {
  if (next_ >= cdcue::kFirstPregapStart) return SourceStep::End;
  run.firstSector = next_;
  run.count = RunBlocks(next_, cdcue::kFirstPregapStart, cdcue::kLeadInBlockSize, buffer_);
  run.data = buffer_.first(std::size_t{run.count} * cdcue::kLeadInBlockSize);
  // Four packs to a block, taken round: the lead-in repeats them to its end.
  std::uint8_t* out = buffer_.data();
  for (std::uint32_t i = 0; i < run.count * kPacksPerBlock; ++i) {
    const auto symbols = cdtext::ToRwSymbols(packs_[nextPack_]);
    out = std::copy(symbols.begin(), symbols.end(), out);
    nextPack_ = (nextPack_ + 1) % packs_.size();
  }
  next_ += static_cast<std::int32_t>(run.count);
  return SourceStep::Run;
}

}  // namespace brenmark
