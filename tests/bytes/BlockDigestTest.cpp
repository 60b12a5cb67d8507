// The block digest: its known answers, the same on every build, and the
// changes it must see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "bytes/BlockDigest.h"

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
    EXPECT_EQ(bytes::BlockDigest::OfPortable(data), digest) << length;
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

#ifdef BRENMARK_DIGEST_AVX2
// The AVX2 lanes against the portable ones, for every length up to two
// sectors and a half and from unaligned starts, on bytes of every value.
TEST(BlockDigest, TheWideVectorsGiveThePortableDigests) {
  if (!bytes::BlockDigest::HasWideVectors()) GTEST_SKIP() << "this processor has no AVX2";
  std::vector<std::uint8_t> data(6000);
  std::uint64_t state = 1;
  for (std::uint8_t& byte : data) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    byte = static_cast<std::uint8_t>(state >> 56);
  }
  for (std::size_t length = 0; length <= 5880; ++length) {
    const auto bytes = std::span<const std::uint8_t>(data).subspan(length % 61, length);
    ASSERT_EQ(bytes::BlockDigest::OfWide(bytes), bytes::BlockDigest::OfPortable(bytes)) << length;
  }
}
#endif

}  // namespace
}  // namespace brenmark
