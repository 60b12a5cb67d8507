#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <stop_token>
#include <thread>
#include <vector>

namespace brenmark {

// Adds the digest of every whole block of `blockSize` bytes in `data`, in
// order, to the end of `digests`.
void AppendBlockDigests(std::span<const std::uint8_t> data, int blockSize, std::vector<std::uint64_t>& digests);
// The digest of every whole block of `blockSize` bytes in `data`, in order.
std::vector<std::uint64_t> BlockDigests(std::span<const std::uint8_t> data, int blockSize);

// Makes the block digests of one buffer at a time on a thread of its own, so
// that a burn writes, or a verify reads, the next run meanwhile. The buffer
// must stay unchanged from Start until Take.
class DigestThread {
 public:
  DigestThread();
  DigestThread(const DigestThread&) = delete;
  DigestThread& operator=(const DigestThread&) = delete;

  // Starts the digests of every block of `blockSize` bytes in `data` (whole
  // blocks only); a Start before the last one was taken waits for it first.
  void Start(std::span<const std::uint8_t> data, int blockSize);
  // Waits for the digests Start asked for: one a block, in order; valid
  // until the next Start.
  const std::vector<std::uint64_t>& Take();

 private:
  void Serve(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::span<const std::uint8_t> data_;
  int blockSize_ = 0;
  bool asked_ = false;
  std::vector<std::uint64_t> digests_;
  // Last: it starts once the members it uses exist, and stops before they go.
  std::jthread thread_;
};

}  // namespace brenmark
