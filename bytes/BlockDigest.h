#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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
// stripe, so the compiler turns a stripe into a few vector instructions
// (32x32->64 bit multiplies exist on every x86 with SSE2; the 32-bit build
// needs no 64-bit multiply at all). Every 1024 bytes the lanes are scrambled
// so that the keys' order counts; the end pads the last stripe with zeros and
// folds the lanes with the length through 64-bit multiply-rotate rounds.
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
    Lanes lanes;
    for (int lane = 0; lane < kLanes; ++lane) lanes[lane] = kStart[lane];
    const std::uint8_t* at = data.data();
    std::size_t left = data.size();
    int stripe = 0;
    for (; left >= kStripeBytes; at += kStripeBytes, left -= kStripeBytes) {
      if (stripe == kStripesPerRound) {
        Scramble(lanes);
        stripe = 0;
      }
      AddStripe(lanes, at, stripe++);
    }
    if (left > 0) {
      if (stripe == kStripesPerRound) {
        Scramble(lanes);
        stripe = 0;
      }
      std::uint8_t last[kStripeBytes] = {};
      std::memcpy(last, at, left);
      AddStripe(lanes, last, stripe);
    }
    std::uint64_t hash = std::uint64_t{data.size()} * kPrime1;
    for (int lane = 0; lane < kLanes; ++lane) {
      hash = RotateLeft(hash ^ Round(lanes[lane]), 27) * kPrime1 + kPrime4;
    }
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    return hash ^ (hash >> 32);
  }

 private:
  static constexpr int kLanes = 8;
  static constexpr std::size_t kStripeBytes = kLanes * 8;
  static constexpr int kStripesPerRound = 16;
  using Lanes = std::uint64_t[kLanes];

  static constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
  static constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
  static constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
  static constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
  static constexpr std::uint64_t kScrambleFactor = 0x9E3779B1ULL;

  // Stripe s of a round keys lane i with kKeys[s + i], so moving a word changes its key.
  static constexpr auto kKeys = digestkeys::KeysFrom<kStripesPerRound + kLanes - 1>(0);
  static constexpr auto kScrambleKeys = digestkeys::KeysFrom<kLanes>(100);
  static constexpr auto kStart = digestkeys::KeysFrom<kLanes>(200);

  // Lanes go in pairs, each lane adding its neighbour's word.
  static void AddStripe(Lanes& lanes, const std::uint8_t* at, int stripe) {
    const std::uint64_t* keys = kKeys.data() + stripe;
    for (int lane = 0; lane < kLanes; lane += 2) {
      const std::uint64_t even = Word64(at + 8 * lane);
      const std::uint64_t odd = Word64(at + 8 * lane + 8);
      lanes[lane] += HalvesProduct(even ^ keys[lane]) + odd;
      lanes[lane + 1] += HalvesProduct(odd ^ keys[lane + 1]) + even;
    }
  }
  static std::uint64_t HalvesProduct(std::uint64_t word) {
    return std::uint64_t{static_cast<std::uint32_t>(word)} * static_cast<std::uint32_t>(word >> 32);
  }
  static void Scramble(Lanes& lanes) {
    for (int lane = 0; lane < kLanes; ++lane) {
      lanes[lane] = (lanes[lane] ^ (lanes[lane] >> 47) ^ kScrambleKeys[lane]) * kScrambleFactor;
    }
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
