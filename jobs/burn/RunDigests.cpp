#include "jobs/burn/RunDigests.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace brenmark {
namespace {

constexpr std::size_t kBatchBytes = 256 << 10;

}  // namespace

RunDigests::RunDigests(WrittenDigests& written, int blockSize) : written_(written), blockSize_(blockSize) {
  for (Batch& batch : batches_) batch.data.resize(kBatchBytes);
}

void RunDigests::Add(const SectorRun& run) {
  if (run.count == 0) return;
  if (batches_[filling_].filled + run.data.size() > batches_[filling_].data.size()) HandOver();
  Batch& batch = batches_[filling_];
  // A run larger than a batch has a batch of its own.
  if (run.data.size() > batch.data.size()) batch.data.resize(run.data.size());
  std::memcpy(batch.data.data() + batch.filled, run.data.data(), run.data.size());
  batch.filled += run.data.size();
  batch.runs.push_back({run.firstSector, run.count, {}});
}

void RunDigests::Finish() {
  HandOver();
  RecordDigested();
}

void RunDigests::HandOver() {
  Batch& batch = batches_[filling_];
  if (batch.runs.empty()) return;
  RecordDigested();
  thread_.Start(std::span(batch.data).first(batch.filled), blockSize_);
  digesting_ = true;
  filling_ ^= 1;
}

void RunDigests::RecordDigested() {
  if (!digesting_) return;
  digesting_ = false;
  Batch& batch = batches_[filling_ ^ 1];
  const std::vector<std::uint64_t>& digests = thread_.Take();
  std::size_t at = 0;
  for (const SectorRun& run : batch.runs) {
    const std::size_t count = std::min<std::size_t>(run.count, digests.size() - at);
    written_.Record(run.firstSector, blockSize_, std::span(digests).subspan(at, count));
    at += count;
  }
  batch.runs.clear();
  batch.filled = 0;
}

}  // namespace brenmark
