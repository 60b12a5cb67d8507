// The block digest and the record a burn keeps of what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "bytes/BlockDigest.h"
#include "jobs/burn/RunDigests.h"
#include "jobs/burn/WrittenDigests.h"
#include "tests/support/Bytes.h"

namespace brenmark {
namespace {

// Bytes that depend on their place and on nothing outside this test.
std::vector<std::uint8_t> Numbered(std::size_t length) {
  std::vector<std::uint8_t> data(length);
  for (std::size_t at = 0; at < length; ++at) data[at] = static_cast<std::uint8_t>(at * 167 + at / 256);
  return data;
}

// Known answers (the Windows build must give the same), for every length that
// takes another path through stripes, rounds and the padded tail; then any
// one byte changed, or two stripes exchanged, changes the digest.
TEST(BlockDigest, GivesItsKnownAnswersAndSeesEveryByteInItsPlace) {
  const std::pair<std::size_t, std::uint64_t> known[] = {
      {0, 0xA000AAA0D25ECF95ULL},     {3, 0x1BA6C2C0ECFAEAFDULL},    {8, 0x3DC6FA6FE13C5170ULL},
      {63, 0xAFA8B3FF8BE6516CULL},    {64, 0xA10F32FF11ED1CBEULL},   {65, 0xA1C126EFE7C4642AULL},
      {1024, 0xD24208CB1B7C3537ULL},  {1088, 0xC7B95037A55BC6B5ULL}, {2048, 0x8ED9F04A936C1CFFULL},
      {2332, 0xE8ED422FCAA1B177ULL},  {2352, 0xDAE099C0B971F2DDULL},
  };
  for (const auto& [length, digest] : known) {
    auto data = Numbered(length);
    EXPECT_EQ(bytes::BlockDigest::Of(data), digest) << length;
    std::set<std::uint64_t> digests{digest};
    for (std::size_t at = 0; at < length; ++at) {
      data[at] ^= 0x01;
      digests.insert(bytes::BlockDigest::Of(data));
      data[at] ^= 0x01;
    }
    EXPECT_EQ(digests.size(), length + 1) << length;
    if (length >= 2048) {
      std::swap_ranges(data.begin(), data.begin() + 64, data.begin() + 1024);
      EXPECT_NE(bytes::BlockDigest::Of(data), digest) << length;
    }
  }
}

// Runs go through batches handed to the digest thread (small runs gathered,
// one larger than a batch alone); what is recorded is every block's digest,
// in place. Runs that follow one another make one extent; a gap or another
// block size starts the next, and a block is found only where one was written.
TEST(WrittenDigests, RecordsEveryRunThroughTheDigestThread) {
  constexpr std::uint32_t kBlocks = 1700;
  const auto data = testsupport::Pattern(kBlocks, 2048, 9);
  const auto block = [&data](std::uint32_t index) { return std::span(data).subspan(index * 2048, 2048); };
  WrittenDigests written;
  RunDigests digests(written, 2048);
  std::uint32_t done = 0;
  for (const std::uint32_t count : {2u, 1u, 600u, 1000u, 16u, 1u, 80u}) {
    digests.Add({static_cast<std::int32_t>(10 + done), count, std::span(data).subspan(done * 2048, count * 2048)});
    done += count;
  }
  digests.Finish();
  const auto audio = testsupport::Pattern(1, 2352, 3);
  RunDigests audioDigests(written, 2352);
  audioDigests.Add({5000, 1, audio});
  audioDigests.Finish();

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
