// The record a burn keeps of the digests of what it wrote.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "bytes/BlockDigest.h"
#include "jobs/burn/WrittenDigests.h"
#include "tests/support/Bytes.h"

namespace brenmark {
namespace {

// What is recorded is every block's digest, in place. Runs that follow one
// another make one extent; a gap or another block size starts the next, and a
// block is found only where one was written.
TEST(WrittenDigests, RecordsEveryBlockOfEveryRun) {
  constexpr std::uint32_t kBlocks = 1700;
  const auto data = testsupport::Pattern(kBlocks, 2048, 9);
  const auto block = [&data](std::uint32_t index) { return std::span(data).subspan(index * 2048, 2048); };
  WrittenDigests written;
  std::uint32_t done = 0;
  for (const std::uint32_t count : {2u, 1u, 600u, 1000u, 16u, 1u, 80u}) {
    written.Record(static_cast<std::int32_t>(10 + done), 2048, std::span(data).subspan(done * 2048, count * 2048));
    done += count;
  }
  const auto audio = testsupport::Pattern(1, 2352, 3);
  written.Record(5000, 2352, audio);

  ASSERT_EQ(written.extents().size(), 2u);
  EXPECT_EQ(written.extents()[0].end(), static_cast<std::int32_t>(10 + kBlocks));
  for (const std::uint32_t index : {0u, 2u, 3u, 602u, 1599u, 1603u, kBlocks - 1}) {
    EXPECT_EQ(written.At(static_cast<std::int32_t>(10 + index)), bytes::BlockDigest::Of(block(index))) << index;
  }
  EXPECT_EQ(written.At(5000), bytes::BlockDigest::Of(audio));
  for (const std::int32_t unwritten : {9, 10 + static_cast<std::int32_t>(kBlocks), 4999, 5001}) {
    EXPECT_FALSE(written.At(unwritten)) << unwritten;
  }
}

}  // namespace
}  // namespace brenmark
