#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace brenmark::bytes {

// A 64-bit digest of a run of bytes (the XXH64 algorithm, seed 0): four
// independent multiply-rotate lanes over 32-byte stripes, so it runs at
// memory speed without any processor extension, on every build. It tells
// whether two copies of a block are alike; it is no protection against
// anyone who crafts a collision. Words are read in the machine's order:
// digests are compared only with digests made by the same program.
class BlockDigest {
 public:
  static std::uint64_t Of(std::span<const std::uint8_t> data) {
    const std::uint8_t* at = data.data();
    const std::uint8_t* const end = at + data.size();
    std::uint64_t hash = 0;
    if (data.size() >= 32) {
      std::uint64_t lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
      for (; end - at >= 32; at += 32) {
        for (int lane = 0; lane < 4; ++lane) lanes[lane] = Round(lanes[lane], Word64(at + 8 * lane));
      }
      hash = RotateLeft(lanes[0], 1) + RotateLeft(lanes[1], 7) + RotateLeft(lanes[2], 12) + RotateLeft(lanes[3], 18);
      for (const std::uint64_t lane : lanes) hash = (hash ^ Round(0, lane)) * kPrime1 + kPrime4;
    } else {
      hash = kPrime5;
    }
    hash += data.size();
    for (; end - at >= 8; at += 8) hash = RotateLeft(hash ^ Round(0, Word64(at)), 27) * kPrime1 + kPrime4;
    if (end - at >= 4) {
      hash = RotateLeft(hash ^ (std::uint64_t{Word32(at)} * kPrime1), 23) * kPrime2 + kPrime3;
      at += 4;
    }
    for (; at < end; ++at) hash = RotateLeft(hash ^ (*at * kPrime5), 11) * kPrime1;
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    return hash ^ (hash >> 32);
  }

 private:
  static constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
  static constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
  static constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
  static constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
  static constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

  static std::uint64_t RotateLeft(std::uint64_t value, int bits) { return (value << bits) | (value >> (64 - bits)); }
  static std::uint64_t Round(std::uint64_t lane, std::uint64_t word) {
    return RotateLeft(lane + word * kPrime2, 31) * kPrime1;
  }
  static std::uint64_t Word64(const std::uint8_t* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
  }
  static std::uint32_t Word32(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
  }
};

}  // namespace brenmark::bytes
