#include "vcd/MpegSectors.h"

#include <cstring>

#include "vcd/VcdTrackTable.h"

namespace brenmark::vcd {
namespace {

void PutSubheader(std::uint8_t fileNumber, std::uint8_t channel, std::uint8_t submode, std::uint8_t coding,
                  std::uint8_t* block) {
  const std::uint8_t subheader[4] = {fileNumber, channel, submode, coding};
  std::memcpy(block, subheader, 4);
  std::memcpy(block + 4, subheader, 4);
}

}  // namespace

void PutMpegSubheader(std::uint8_t fileNumber, std::uint8_t* block) {
  PutSubheader(fileNumber, 1, 0x62, 0x0F, block);
}

void FillEmptyBlock(std::uint8_t fileNumber, std::uint8_t* block) {
  PutSubheader(fileNumber, 0, 0x60, 0, block);
  std::memset(block + kSubheaderSize, 0, kMpegDataSize);
}

}  // namespace brenmark::vcd
