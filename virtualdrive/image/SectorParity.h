#pragma once

#include <cstdint>

namespace brenmark::virtualdrive {

// Computes the P parity (bytes 2076-2247) over bytes 12-2075 of a raw sector, then the
// Q parity (bytes 2248-2351) over bytes 12-2247. Both are the Reed-Solomon product code
// over GF(2^8) with field polynomial 11Dh, each byte plane of the 16-bit words separately.
void WriteSectorParity(std::uint8_t* raw);

}  // namespace brenmark::virtualdrive
