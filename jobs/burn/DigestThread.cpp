#include "jobs/burn/DigestThread.h"

#include "bytes/BlockDigest.h"

namespace brenmark {

void AppendBlockDigests(std::span<const std::uint8_t> data, int blockSize, std::vector<std::uint64_t>& digests) {
  if (blockSize <= 0) return;
  const auto size = static_cast<std::size_t>(blockSize);
  for (std::size_t at = 0; at + size <= data.size(); at += size) {
    digests.push_back(bytes::BlockDigest::Of(data.subspan(at, size)));
  }
}

std::vector<std::uint64_t> BlockDigests(std::span<const std::uint8_t> data, int blockSize) {
  std::vector<std::uint64_t> digests;
  if (blockSize > 0) digests.reserve(data.size() / static_cast<std::size_t>(blockSize));
  AppendBlockDigests(data, blockSize, digests);
  return digests;
}

DigestThread::DigestThread() : thread_([this](std::stop_token stop) { Serve(stop); }) {}

void DigestThread::Start(std::span<const std::uint8_t> data, int blockSize) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !asked_; });
  data_ = data;
  blockSize_ = blockSize;
  asked_ = true;
  changed_.notify_all();
}

const std::vector<std::uint64_t>& DigestThread::Take() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !asked_; });
  return digests_;
}

void DigestThread::Serve(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (changed_.wait(lock, stop, [this] { return asked_; })) {
    const std::span<const std::uint8_t> data = data_;
    const int size = blockSize_;
    lock.unlock();
    std::vector<std::uint64_t> digests = BlockDigests(data, size);
    lock.lock();
    digests_ = std::move(digests);
    asked_ = false;
    changed_.notify_all();
  }
}

}  // namespace brenmark
