#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "drive/SenseCode.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SenseDecoding, ReadsBothFormatsAndRefusesWhatIsNeither) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool decoded;
    const char* text;
  };
  const Case cases[] = {
      {"fixed, current", {0x70, 0, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x0C, 0x00, 0, 0, 0, 0}, true,
       "3/0C/00 write error"},
      {"fixed, deferred, valid bit set, key flags set", {0xF1, 0, 0xE2, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x3A, 0x00},
       true, "2/3A/00 medium not present"},
      {"descriptor format", {0x72, 0x02, 0x04, 0x08, 0, 0, 0, 0}, true,
       "2/04/08 logical unit not ready, long write in progress"},
      {"an unlisted code falls back to the key's name", {0x72, 0x05, 0x6F, 0x01}, true, "5/6F/01 illegal request"},
      {"fixed, cut before the ASCQ", {0x70, 0, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x0C}, false, ""},
      {"descriptor, cut", {0x72, 0x02, 0x04}, false, ""},
      {"not sense data", {0x00, 0, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x0C, 0x00}, false, ""},
      {"nothing", {}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SenseCode sense{9, 9, 9};
    ASSERT_EQ(DecodeSense(c.bytes, sense), c.decoded);
    if (c.decoded) {
      EXPECT_EQ(sense.Text(), c.text);
    }
  }
}

TEST(SenseDecoding, TellsTheAnswersThatCallForWaitingOrForADisc) {
  EXPECT_TRUE(IsTransientNotReady(sensecode::kBecomingReady));
  EXPECT_TRUE(IsTransientNotReady(sensecode::kLongWriteInProgress));
  EXPECT_FALSE(IsTransientNotReady(SenseCode{0x02, 0x04, 0x00}));  // not ready, no reason: waiting will not help
  EXPECT_FALSE(IsTransientNotReady(SenseCode{0x03, 0x04, 0x08}));
  EXPECT_TRUE(IsMediumNotPresent(SenseCode{0x02, 0x3A, 0x02}));
  EXPECT_FALSE(IsMediumNotPresent(SenseCode{0x06, 0x3A, 0x00}));
}

}  // namespace
}  // namespace brenmark::testing
