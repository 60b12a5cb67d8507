#pragma once

#include <cstdint>
#include <vector>

#include "drive/SectorSource.h"
#include "jobs/burn/DigestThread.h"
#include "jobs/burn/WrittenDigests.h"

namespace brenmark {

// Takes the digests of the runs a burn writes without holding up the writes:
// each run is copied into a batch of about a megabyte (a run's data lives only
// until the source's next run), and a full batch is digested on the digest
// thread while the next one fills. The digests reach the record in the order
// the runs were written; Finish hands over the last ones.
class RunDigests {
 public:
  RunDigests(WrittenDigests& written, int blockSize);

  void Add(const SectorRun& run);
  // Waits for every batch and records its digests.
  void Finish();

 private:
  struct Batch {
    std::vector<std::uint8_t> data;
    std::size_t filled = 0;
    std::vector<SectorRun> runs;  // where each run's blocks lie, their data not kept
  };

  void HandOver();
  void RecordDigested();

  WrittenDigests& written_;
  const int blockSize_;
  Batch batches_[2];
  int filling_ = 0;
  bool digesting_ = false;
  DigestThread thread_;
};

}  // namespace brenmark
