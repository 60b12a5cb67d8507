#pragma once

#include <cstddef>
#include <cstdint>

namespace brenmark::virtualdrive {

// Raw CD sectors as a recorder lays them down: sync, header, optional subheader, user
// data, EDC and the P/Q Reed-Solomon parity of the product code. The source data may
// already sit at its place inside `raw` (encoding in place).
inline constexpr std::size_t kRawSectorSize = 2352;
inline constexpr std::size_t kUserBlockSize = 2048;

// Writes the 12-byte sync pattern and the header (BCD MSF of lba + 150, then mode).
void WriteSyncAndHeader(std::int32_t lba, std::uint8_t mode, std::uint8_t* raw);

// Mode 1: 2048 bytes of user data, EDC, 8 zero bytes, P and Q parity.
void EncodeMode1Sector(std::int32_t lba, const std::uint8_t* data2048, std::uint8_t* raw);

// Mode 2 Form 1: subheader twice, 2048 bytes of user data, EDC and P/Q parity. The
// parity is computed with the header taken as zero, so the sector survives relocation.
void EncodeMode2Form1Sector(std::int32_t lba, const std::uint8_t* subheader8,
                            const std::uint8_t* data2048, std::uint8_t* raw);

// Mode 2 Form 2: subheader twice, 2324 bytes of user data and EDC.
void EncodeMode2Form2Sector(std::int32_t lba, const std::uint8_t* subheader8,
                            const std::uint8_t* data2324, std::uint8_t* raw);

// A 2332-byte Mode 2 block: the 8-byte subheader followed by the data. The form comes
// from the submode byte (bit 5 set: Form 2 with 2324 data bytes, else Form 1 with 2048).
void EncodeMode2Block(std::int32_t lba, const std::uint8_t* block2332, std::uint8_t* raw);

// CRC-32 with polynomial (x^16+x^15+x^2+1)(x^16+x^2+x+1), LSB first, initial value 0.
std::uint32_t ComputeEdc(const std::uint8_t* data, std::size_t length);

}  // namespace brenmark::virtualdrive
