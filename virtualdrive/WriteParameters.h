#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "virtualdrive/DiscState.h"
#include "virtualdrive/Sense.h"

namespace brenmark::virtualdrive {

// The Write Parameters mode page (05h) as the host last selected it.
class WriteParameters {
 public:
  static constexpr std::size_t kPageSize = 52;  // page code, length 32h, 50 bytes
  static constexpr std::uint8_t kPageCode = 0x05;

  WriteParameters();

  const std::array<std::uint8_t, kPageSize>& page() const { return page_; }
  // Takes a page sent with MODE SELECT (at least the page's two header bytes
  // plus 50); refuses values the recorder does not know.
  std::optional<Sense> Select(const std::uint8_t* page, std::size_t length);

  std::uint8_t writeType() const { return page_[2] & 0x0F; }
  bool testWrite() const { return (page_[2] & 0x10) != 0; }
  std::uint8_t multiSessionField() const { return page_[3] >> 6; }
  std::uint8_t trackMode() const { return page_[3] & 0x0F; }
  std::uint8_t dataBlockType() const { return page_[4] & 0x0F; }
  std::uint8_t sessionFormat() const { return page_[8]; }
  // The Mode 2 subheader of page bytes 48-51, for Form 1 and Form 2 blocks.
  std::array<std::uint8_t, 4> subheader() const { return {page_[48], page_[49], page_[50], page_[51]}; }

  // Bytes per block of the data block type: 2352, 2048, 2324 or 2332.
  std::uint32_t BlockSize() const;
  // The track the blocks make; raw blocks of a data track take their mode from
  // the header of the first block.
  TrackKind TrackKindFor(const std::uint8_t* firstBlock) const;

 private:
  std::array<std::uint8_t, kPageSize> page_{};
};

}  // namespace brenmark::virtualdrive
