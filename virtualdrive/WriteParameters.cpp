#include "virtualdrive/WriteParameters.h"

#include <algorithm>

namespace brenmark::virtualdrive {

namespace {

bool IsSupportedBlockType(std::uint8_t type) {
  return type == 0 || type == 8 || type == 10 || type == 12 || type == 13;
}

}  // namespace

WriteParameters::WriteParameters() {
  page_[0] = kPageCode;
  page_[1] = kPageSize - 2;
  page_[2] = 0x40 | 0x01;  // BUFE, track at once
  page_[3] = 0x04;         // data track
  page_[4] = 8;            // Mode 1, 2048 bytes
  page_[13] = 0x20;        // packet size 32
  page_[15] = 0x96;        // audio pause 150
}

std::optional<Sense> WriteParameters::Select(const std::uint8_t* page, std::size_t length) {
  if (length < kPageSize || (page[0] & 0x3F) != kPageCode || page[1] < kPageSize - 2) {
    return sense::kInvalidFieldInParameterList;
  }
  const std::uint8_t writeType = page[2] & 0x0F;
  const std::uint8_t multiSession = page[3] >> 6;
  const std::uint8_t sessionFormat = page[8];
  // Session at once takes each block's form from the cue sheet: the raw
  // block types a host names for it (with sub-channel) are taken as well.
  const std::uint8_t blockType = page[4] & 0x0F;
  const bool blockTypeTaken = IsSupportedBlockType(blockType) || (writeType == 2 && blockType <= 3);
  if (writeType > 4 || multiSession == 2 || !blockTypeTaken ||
      (sessionFormat != 0x00 && sessionFormat != 0x10 && sessionFormat != 0x20)) {
    return sense::kInvalidFieldInParameterList;
  }
  std::copy(page + 2, page + kPageSize, page_.begin() + 2);
  return std::nullopt;
}

std::uint32_t WriteParameters::BlockSize() const {
  switch (dataBlockType()) {
    case 0: return 2352;
    case 12: return 2324;
    case 13: return 2332;
    default: return 2048;
  }
}

TrackKind WriteParameters::TrackKindFor(const std::uint8_t* firstBlock) const {
  switch (dataBlockType()) {
    case 8: return TrackKind::Mode1;
    case 10:
    case 12:
    case 13: return TrackKind::Mode2;
    default: break;
  }
  if ((trackMode() & 0x04) == 0) return TrackKind::Audio;
  return firstBlock[15] == 2 ? TrackKind::Mode2 : TrackKind::Mode1;
}

}  // namespace brenmark::virtualdrive
