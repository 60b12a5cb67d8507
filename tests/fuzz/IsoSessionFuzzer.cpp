#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "datadisc/PreviousSession.h"

namespace {

using brenmark::datadisc::PreviousEntry;

constexpr std::uint32_t kBlockSize = 2048;
// The input is an image from its volume descriptors on: the system area
// before them, never read, is left out of the corpus, and so are the blank
// blocks at its end, which a disc of this many more blocks reads as zeros.
constexpr std::uint32_t kSystemAreaBlocks = 16;
constexpr std::uint32_t kTrimmedBlocks = 512;

// Counts the entries of a tree, checking each name is one a folder can hold.
std::size_t CheckedEntries(const std::vector<PreviousEntry>& entries, std::size_t depth) {
  if (depth > brenmark::datadisc::kMaxPreviousDepth + 1) std::abort();
  std::size_t count = 0;
  for (const PreviousEntry& entry : entries) {
    const std::string_view name = entry.name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
      std::abort();
    }
    if (!entry.isDirectory && !entry.children.empty()) std::abort();
    count += 1 + CheckedEntries(entry.children, depth + 1);
  }
  return count;
}

}  // namespace

// A hostile image as an earlier session: nothing outside the image may be
// read, and a tree that reads must hold only names a folder can take.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::datadisc;
  const auto imageBlocks = static_cast<std::uint32_t>((size + kBlockSize - 1) / kBlockSize);
  const std::uint32_t readableEnd = kSystemAreaBlocks + imageBlocks + kTrimmedBlocks;
  const BlockReader read = [&](std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    if (lba >= readableEnd || count > readableEnd - lba) std::abort();
    std::memset(out, 0, std::size_t{count} * kBlockSize);
    const std::uint64_t begin = std::uint64_t{lba} * kBlockSize;
    const std::uint64_t end = begin + std::uint64_t{count} * kBlockSize;
    const std::uint64_t inputBegin = std::uint64_t{kSystemAreaBlocks} * kBlockSize;
    const std::uint64_t from = std::max(begin, inputBegin);
    const std::uint64_t to = std::min(end, inputBegin + size);
    if (from < to) std::memcpy(out + (from - begin), data + (from - inputBegin), to - from);
    return true;
  };
  const PreviousSession session = ReadPreviousSession(read, 0, readableEnd);
  if ((session.status == PreviousSession::Status::Read) != session.reason.empty()) std::abort();
  if (session.status != PreviousSession::Status::Read && !session.root.empty()) std::abort();
  if (CheckedEntries(session.root, 0) != session.entryCount) std::abort();
  return 0;
}
