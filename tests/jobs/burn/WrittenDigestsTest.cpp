// The block digest and the record a burn keeps of what it wrote.
#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "bytes/BlockDigest.h"
#include "jobs/burn/WrittenDigests.h"
#include "tests/support/Bytes.h"

namespace brenmark {
namespace {

std::uint64_t DigestOf(std::string_view text) {
  return bytes::BlockDigest::Of({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// The published values of the algorithm, then every length that takes
// another path through the stripes and tails: any one byte changed changes
// the digest.
TEST(BlockDigest, MatchesTheAlgorithmAndSeesEveryByte) {
  EXPECT_EQ(DigestOf(""), 0xEF46DB3751D8E999ULL);
  EXPECT_EQ(DigestOf("abc"), 0x44BC2CF5AD770999ULL);
  for (const std::size_t length : {1u, 3u, 4u, 7u, 8u, 12u, 31u, 32u, 33u, 63u, 68u, 2048u, 2332u, 2352u}) {
    auto data = testsupport::Pattern(1, length, static_cast<std::uint32_t>(length));
    std::set<std::uint64_t> digests{bytes::BlockDigest::Of(data)};
    for (std::size_t at = 0; at < length; ++at) {
      data[at] ^= 0x01;
      digests.insert(bytes::BlockDigest::Of(data));
      data[at] ^= 0x01;
    }
    EXPECT_EQ(digests.size(), length + 1) << length;
  }
}

// Runs that follow one another make one extent; a gap or another block size
// starts the next, and a block is found only where one was written.
TEST(WrittenDigests, JoinsFollowingRunsAndFindsEachBlock) {
  const auto data = testsupport::Pattern(4, 2352, 9);
  WrittenDigests written;
  written.Record({10, 2, std::span(data).first(2 * 2048)}, 2048);
  written.Record({12, 1, std::span(data).subspan(2 * 2048, 2048)}, 2048);
  written.Record({20, 1, std::span(data).first(2352)}, 2352);
  ASSERT_EQ(written.extents().size(), 2u);
  EXPECT_EQ(written.extents()[0].first, 10);
  EXPECT_EQ(written.extents()[0].end(), 13);
  EXPECT_EQ(written.At(11), bytes::BlockDigest::Of(std::span(data).subspan(2048, 2048)));
  EXPECT_EQ(written.At(20), bytes::BlockDigest::Of(std::span(data).first(2352)));
  for (const std::int32_t unwritten : {9, 13, 19, 21}) EXPECT_FALSE(written.At(unwritten)) << unwritten;
}

}  // namespace
}  // namespace brenmark
