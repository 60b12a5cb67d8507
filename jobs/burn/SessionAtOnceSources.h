#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "drive/CdTextPacks.h"
#include "drive/SectorSource.h"
#include "jobs/ProgressSink.h"
#include "platform/File.h"

// The block sources a session at once is written from, besides the audio
// tracks: blocks of zeros (pregaps, gaps), blocks read from an image file, and
// the lead-in's CD-TEXT. Each moves the bar by the blocks it has written.
namespace brenmark {

// `count` blocks of zeros of `blockSize` bytes from `first` on.
class ZeroBlockSource final : public SectorSource {
 public:
  ZeroBlockSource(std::int32_t first, std::uint32_t count, int blockSize, std::span<std::uint8_t> buffer,
                  ProgressSink& progress);
  int blockSize() const override { return blockSize_; }
  int dataBlockType() const override { return 0; }
  SourceStep Next(SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

 private:
  std::int32_t next_;
  std::int32_t end_;
  int blockSize_;
  std::span<std::uint8_t> buffer_;
  ProgressSink& progress_;
};

// `count` blocks of `blockSize` bytes read from an open file from byte
// `offset` on, written from `first` on. A read that comes up short fails the
// source, after `failed` has been told the file's name.
class FileBlockSource final : public SectorSource {
 public:
  FileBlockSource(platform::File& file, std::string name, std::uint64_t offset, std::int32_t first,
                  std::uint32_t count, int blockSize, std::span<std::uint8_t> buffer, ProgressSink& progress);
  int blockSize() const override { return blockSize_; }
  int dataBlockType() const override { return 0; }
  SourceStep Next(SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;
  // The file that could not be read, once Next failed.
  const std::string& failedFile() const { return failed_; }

 private:
  platform::File& file_;
  std::string name_;
  std::uint64_t offset_;
  std::int32_t next_;
  std::int32_t end_;
  int blockSize_;
  std::span<std::uint8_t> buffer_;
  ProgressSink& progress_;
  std::string failed_;
};

// The lead-in from `first` up to the first pregap (LBA -150): 96-byte blocks
// of packed R-W sub-channel carrying the CD-TEXT packs over and over.
class CdTextLeadInSource final : public SectorSource {
 public:
  CdTextLeadInSource(const std::vector<cdtext::Pack>& packs, std::int32_t first, std::span<std::uint8_t> buffer);
  int blockSize() const override;
  int dataBlockType() const override { return 0; }
  SourceStep Next(SectorRun& run) override;

 private:
  const std::vector<cdtext::Pack>& packs_;
  std::int32_t next_;
  std::size_t nextPack_ = 0;
  std::span<std::uint8_t> buffer_;
};

}  // namespace brenmark
