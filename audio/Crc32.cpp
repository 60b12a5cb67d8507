#include "audio/Crc32.h"

#include <array>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define BRENMARK_CRC_FOLDING 1
#endif

namespace brenmark::audio {
namespace {

// Eight tables for eight bytes a step.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (std::size_t t = 1; t < 8; ++t) tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
  }
  return tables;
}

const CrcTables kCrcTables = MakeCrcTables();

std::uint32_t UpdateWithTables(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  const auto& t = kCrcTables;
  while (count >= 8) {
    const std::uint32_t low =
        crc ^ (bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
    bytes += 8;
    count -= 8;
  }
  while (count-- > 0) crc = t[0][(crc ^ *bytes++) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if BRENMARK_CRC_FOLDING
__m128i Load(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// value x constants (both 64-bit halves, carry-less), added to next.
__attribute__((target("pclmul"))) __m128i Fold(__m128i value, __m128i constants, __m128i next) {
  const __m128i low = _mm_clmulepi64_si128(value, constants, 0x00);
  const __m128i high = _mm_clmulepi64_si128(value, constants, 0x11);
  return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Folds 64 bytes a step with carry-less multiplication by constants of the
// polynomial, then reduces to 32 bits (Barrett). `count` is at least 64 and a
// multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t UpdateByFolding(std::uint32_t crc, const std::uint8_t* bytes,
                                                                       std::size_t count) {
  alignas(16) static const std::uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
  alignas(16) static const std::uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
  alignas(16) static const std::uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
  alignas(16) static const std::uint64_t poly[] = {0x01db710641, 0x01f7011641};

  __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load(bytes + 16);
  __m128i x3 = Load(bytes + 32);
  __m128i x4 = Load(bytes + 48);
  bytes += 64;
  count -= 64;
  __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
  while (count >= 64) {
    x1 = Fold(x1, k, Load(bytes));
    x2 = Fold(x2, k, Load(bytes + 16));
    x3 = Fold(x3, k, Load(bytes + 32));
    x4 = Fold(x4, k, Load(bytes + 48));
    bytes += 64;
    count -= 64;
  }
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
  x1 = Fold(x1, k, x2);
  x1 = Fold(x1, k, x3);
  x1 = Fold(x1, k, x4);
  while (count >= 16) {
    x1 = Fold(x1, k, Load(bytes));
    bytes += 16;
    count -= 16;
  }
  // 128 bits to 64.
  __m128i x2b = _mm_clmulepi64_si128(x1, k, 0x10);
  const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
  k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
  x2b = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x00), x2b);
  // 64 bits to 32.
  k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
  x2b = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x10), mask);
  x2b = _mm_clmulepi64_si128(x2b, k, 0x00);
  x1 = _mm_xor_si128(x1, x2b);
  return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

const bool kCanFold = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
#endif

}  // namespace

std::uint32_t UpdateCrc32(std::uint32_t state, const std::uint8_t* bytes, std::size_t count) {
#if BRENMARK_CRC_FOLDING
  if (kCanFold && count >= 64) {
    const std::size_t folded = count & ~std::size_t{15};
    state = UpdateByFolding(state, bytes, folded);
    bytes += folded;
    count -= folded;
  }
#endif
  return UpdateWithTables(state, bytes, count);
}

}  // namespace brenmark::audio
