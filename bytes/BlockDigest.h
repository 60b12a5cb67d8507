#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define BRENMARK_DIGEST_AVX2 1
#endif

namespace brenmark::bytes {

namespace digestkeys {

// Keys drawn from a fixed counter-based generator.
constexpr std::uint64_t KeyNumber(std::uint64_t index) {
  std::uint64_t value = (index + 1) * 0x9E3779B97F4A7C15ULL;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}

template <std::size_t N>
constexpr std::array<std::uint64_t, N> KeysFrom(std::uint64_t first) {
  std::array<std::uint64_t, N> keys{};
  for (std::size_t index = 0; index < N; ++index) keys[index] = KeyNumber(first + index);
  return keys;
}

}  // namespace digestkeys

// A 64-bit digest of a run of bytes, made to tell whether two copies of a
// block are alike at the speed memory delivers them. Eight 64-bit lanes take
// a 64-byte stripe at a time: each word, mixed with a key that depends on its
// place, adds the product of its two 32-bit halves to its own lane and itself
// to the neighbouring lane. Lanes never depend on one another within a
// stripe, so a stripe is a few vector instructions (32x32->64 bit multiplies
// exist on every x86 with SSE2; the 32-bit build needs no 64-bit multiply at
// all). Every 1024 bytes the lanes are scrambled so that the keys' order
// counts; the end pads the last stripe with zeros and folds the lanes with the
// length through 64-bit multiply-rotate rounds.
//
// The same lanes are computed two ways: by portable code the compiler
// vectorises with SSE2, and, where the processor has AVX2, by 256-bit
// instructions that take a stripe in two registers, twice as fast. Both give
// the same digest for the same bytes.
//
// A changed word always changes its neighbouring lane by exactly the change
// and every later step is one-to-one, so one changed byte (or word) always
// leaves different lanes; the fold makes alike digests of different lanes a
// 2^-64 chance. It is no protection against anyone who crafts a collision.
// Words are read in the machine's order: digests are compared only with
// digests made on the same kind of machine.
class BlockDigest {
 public:
  static std::uint64_t Of(std::span<const std::uint8_t> data) {
#ifdef BRENMARK_DIGEST_AVX2
    if (HasWideVectors()) return OfWide(data);
#endif
    return OfPortable(data);
  }

  static std::uint64_t OfPortable(std::span<const std::uint8_t> data) { return Digest<PortableLanes>(data); }

#ifdef BRENMARK_DIGEST_AVX2
  static bool HasWideVectors() {
    static const bool has = [] {
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
  }
  // Only where HasWideVectors().
  __attribute__((target("avx2"), flatten)) static std::uint64_t OfWide(std::span<const std::uint8_t> data) {
    return Digest<WideLanes>(data);
  }
#endif

 private:
  static constexpr int kLanes = 8;
  static constexpr std::size_t kStripeBytes = kLanes * 8;
  static constexpr int kStripesPerRound = 16;

  static constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
  static constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
  static constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
  static constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
  static constexpr std::uint64_t kScrambleFactor = 0x9E3779B1ULL;

  // Stripe s of a round keys lane i with kKeys[s + i], so moving a word changes its key.
  static constexpr auto kKeys = digestkeys::KeysFrom<kStripesPerRound + kLanes - 1>(0);
  static constexpr auto kScrambleKeys = digestkeys::KeysFrom<kLanes>(100);
  static constexpr auto kStart = digestkeys::KeysFrom<kLanes>(200);

  // Stripes, rounds and the padded tail, the same whichever way the lanes are held.
  template <typename Lanes>
  static std::uint64_t Digest(std::span<const std::uint8_t> data) {
    Lanes lanes;
    const std::uint8_t* at = data.data();
    std::size_t left = data.size();
    int stripe = 0;
    for (; left >= kStripeBytes; at += kStripeBytes, left -= kStripeBytes) {
      if (stripe == kStripesPerRound) {
        lanes.Scramble();
        stripe = 0;
      }
      lanes.AddStripe(at, stripe++);
    }
    if (left > 0) {
      if (stripe == kStripesPerRound) {
        lanes.Scramble();
        stripe = 0;
      }
      std::uint8_t last[kStripeBytes] = {};
      std::memcpy(last, at, left);
      lanes.AddStripe(last, stripe);
    }
    std::uint64_t values[kLanes];
    lanes.Store(values);
    return Fold(values, data.size());
  }

  static std::uint64_t Fold(const std::uint64_t (&lanes)[kLanes], std::size_t length) {
    std::uint64_t hash = std::uint64_t{length} * kPrime1;
    for (int lane = 0; lane < kLanes; ++lane) {
      hash = RotateLeft(hash ^ Round(lanes[lane]), 27) * kPrime1 + kPrime4;
    }
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    return hash ^ (hash >> 32);
  }

  struct PortableLanes {
    std::uint64_t lanes[kLanes];

    PortableLanes() { std::memcpy(lanes, kStart.data(), sizeof lanes); }
    // Lanes go in pairs, each lane adding its neighbour's word.
    void AddStripe(const std::uint8_t* at, int stripe) {
      const std::uint64_t* keys = kKeys.data() + stripe;
      for (int lane = 0; lane < kLanes; lane += 2) {
        const std::uint64_t even = Word64(at + 8 * lane);
        const std::uint64_t odd = Word64(at + 8 * lane + 8);
        lanes[lane] += HalvesProduct(even ^ keys[lane]) + odd;
        lanes[lane + 1] += HalvesProduct(odd ^ keys[lane + 1]) + even;
      }
    }
    void Scramble() {
      for (int lane = 0; lane < kLanes; ++lane) {
        lanes[lane] = (lanes[lane] ^ (lanes[lane] >> 47) ^ kScrambleKeys[lane]) * kScrambleFactor;
      }
    }
    void Store(std::uint64_t (&values)[kLanes]) const { std::memcpy(values, lanes, sizeof lanes); }
  };

#ifdef BRENMARK_DIGEST_AVX2
  // Lanes 0-3 and 4-7 in one 256-bit register each.
  struct WideLanes {
    __m256i low;
    __m256i high;

    __attribute__((target("avx2"))) WideLanes() : low(Load(kStart.data())), high(Load(kStart.data() + 4)) {}
    __attribute__((target("avx2"))) void AddStripe(const std::uint8_t* at, int stripe) {
      const std::uint64_t* keys = kKeys.data() + stripe;
      low = _mm256_add_epi64(low, StripeHalf(Load(at), Load(keys)));
      high = _mm256_add_epi64(high, StripeHalf(Load(at + 32), Load(keys + 4)));
    }
    __attribute__((target("avx2"))) void Scramble() {
      low = ScrambleHalf(low, Load(kScrambleKeys.data()));
      high = ScrambleHalf(high, Load(kScrambleKeys.data() + 4));
    }
    __attribute__((target("avx2"))) void Store(std::uint64_t (&values)[kLanes]) const {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(values), low);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + 4), high);
    }

    __attribute__((target("avx2"))) static __m256i Load(const void* at) {
      return _mm256_loadu_si256(static_cast<const __m256i*>(at));
    }
    // Per lane: the halves product of word ^ key, plus the word of the
    // other lane of its pair (the 64-bit halves of each 128 bits swapped).
    __attribute__((target("avx2"))) static __m256i StripeHalf(__m256i words, __m256i keys) {
      const __m256i keyed = _mm256_xor_si256(words, keys);
      const __m256i product = _mm256_mul_epu32(keyed, _mm256_srli_epi64(keyed, 32));
      return _mm256_add_epi64(product, _mm256_shuffle_epi32(words, _MM_SHUFFLE(1, 0, 3, 2)));
    }
    // A 64-bit lane times the 32-bit factor is the low half's product plus
    // the high half's product moved up 32 bits.
    __attribute__((target("avx2"))) static __m256i ScrambleHalf(__m256i lanes, __m256i keys) {
      const __m256i factor = _mm256_set1_epi64x(static_cast<long long>(kScrambleFactor));
      const __m256i mixed = _mm256_xor_si256(_mm256_xor_si256(lanes, _mm256_srli_epi64(lanes, 47)), keys);
      const __m256i highProduct = _mm256_mul_epu32(_mm256_srli_epi64(mixed, 32), factor);
      return _mm256_add_epi64(_mm256_mul_epu32(mixed, factor), _mm256_slli_epi64(highProduct, 32));
    }
  };
#endif

  static std::uint64_t HalvesProduct(std::uint64_t word) {
    return std::uint64_t{static_cast<std::uint32_t>(word)} * static_cast<std::uint32_t>(word >> 32);
  }
  static std::uint64_t RotateLeft(std::uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }
  static std::uint64_t Round(std::uint64_t word) { return RotateLeft(word * kPrime2, 31) * kPrime1; }
  static std::uint64_t Word64(const std::uint8_t* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
  }
};

}  // namespace brenmark::bytes
