// The MMC cue sheet a session at once sends before its tracks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drive/CdCueSheet.h"

namespace brenmark {
namespace {

using Bytes = std::vector<std::uint8_t>;
using cdcue::DataForm;

struct CueCase {
  std::string name;
  cdcue::SessionCue cue;
  Bytes sheet;
};

void PrintTo(const CueCase& c, std::ostream* os) { *os << c.name; }

std::vector<CueCase> CueCases() {
  cdcue::SessionCue gapless;
  gapless.cdText = true;
  gapless.tracks = {{1, false, false, false, false, "", {{0, -150, DataForm::Audio}, {1, 0, DataForm::Audio}}},
                    {2, false, false, false, false, "", {{1, 4500 + 300, DataForm::Audio}}}};
  gapless.leadOut = 4500 + 600;

  cdcue::SessionCue mixed;
  mixed.catalog = "0123456789012";
  mixed.tracks = {{1, true, false, false, false, "", {{0, -150, DataForm::Mode1}, {1, 0, DataForm::Mode1Raw}}},
                  {2, false, true, true, false, "USABC1234567", {{0, 1000, DataForm::Audio}, {1, 1150, DataForm::Audio},
                                                                 {2, 1200, DataForm::Audio}}}};
  mixed.leadOut = 2000;
  return {
      {"GaplessAudioWithCdText", gapless,
       {0x01, 0x00, 0x00, 0x41, 0, 0, 0, 0,         // lead-in, CD-TEXT in packed R-W
        0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0,         // track 1 pregap at 00:00:00 (LBA -150)
        0x01, 0x01, 0x01, 0x00, 0, 0, 2, 0,         // track 1 at 00:02:00
        0x01, 0x02, 0x01, 0x00, 0, 1, 6, 0,         // track 2 at LBA 4800: 01:06:00
        0x01, 0xAA, 0x01, 0x01, 0, 1, 10, 0}},      // lead-out at LBA 5100
      {"DataThenAudioWithCatalogAndIsrc", mixed,
       {0x02, '0', '1', '2', '3', '4', '5', '6',
        0x02, '7', '8', '9', '0', '1', '2', 0,
        0x41, 0x00, 0x00, 0x14, 0, 0, 0, 0,         // lead-in of a Mode 1 disc
        0x41, 0x01, 0x00, 0x10, 0, 0, 0, 0,         // generated pregap sent as 2048-byte blocks
        0x41, 0x01, 0x01, 0x11, 0, 0, 2, 0,         // raw Mode 1 from LBA 0
        0x33, 0x02, 'U', 'S', 'A', 'B', 'C', '1',   // ISRC, control 3: pre-emphasis, copy permitted
        0x33, 0x02, '2', '3', '4', '5', '6', '7',
        0x31, 0x02, 0x00, 0x00, 0, 0, 15, 25,       // LBA 1000 + 150 = 00:15:25
        0x31, 0x02, 0x01, 0x00, 0, 0, 17, 25,
        0x31, 0x02, 0x02, 0x00, 0, 0, 18, 0,
        0x31, 0xAA, 0x01, 0x01, 0, 0, 28, 50}},
  };
}

class CueSheets : public ::testing::TestWithParam<CueCase> {};

TEST_P(CueSheets, HaveOneEntryPerIndexBetweenLeadInAndLeadOut) {
  EXPECT_EQ(cdcue::BuildCueSheet(GetParam().cue), GetParam().sheet);
}

INSTANTIATE_TEST_SUITE_P(Sessions, CueSheets, ::testing::ValuesIn(CueCases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace brenmark
