#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

namespace brenmark::datadisc {

// Bytes of one volume descriptor.
inline constexpr std::size_t kDescriptorSize = 2048;

// The application identifier every data disc carries.
inline constexpr std::string_view kApplicationIdentifier = "QUENTAR BURNER, VERSION 1.0 2003";

// What a descriptor records about its file system.
struct DescriptorFields {
  std::uint32_t volumeSpaceSize = 0;  // the image end
  std::uint32_t lTable = 0;           // the M table follows the L table's sectors
  std::uint64_t pathTableSize = 0;
  std::uint32_t rootExtent = 0;
  std::uint64_t rootSize = 0;  // raw; rounded up to whole sectors when written
  std::string_view label;      // UTF-8
  bool xaRecords = false;
  std::time_t now = 0;  // for the creation and modification dates, in local time
};

// Each builder zeroes the 2048-byte buffer and fills it.
//
// The primary descriptor's volume identifier is the label's bytes, cut to at
// most 32 at a character boundary; the Joliet one is the label in UTF-16
// big-endian, cut to at most 16 code units without splitting a character.
void BuildPrimaryDescriptor(const DescriptorFields& fields, std::span<std::uint8_t> buffer);
void BuildJolietDescriptor(const DescriptorFields& fields, std::span<std::uint8_t> buffer);
void BuildTerminator(std::span<std::uint8_t> buffer);

// The 17 characters of a descriptor date: "%d%02d%02d%02d%02d%02d001" of the
// local time.
void EncodeDescriptorDate(std::time_t time, std::uint8_t* out);

}  // namespace brenmark::datadisc
