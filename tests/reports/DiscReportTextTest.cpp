#include "reports/DiscReportText.h"

#include <gtest/gtest.h>

#include <string>

namespace brenmark {
namespace {

TocTrack Track(std::int32_t number, std::int32_t minute, std::int32_t second, std::int32_t frame, bool audio) {
  return {minute, second, frame, audio ? 1 : 0, number};
}

TocSession Session(std::int32_t startMinute, std::int32_t startSecond, std::int32_t leadOutMinute,
                   std::int32_t leadOutSecond, std::int32_t discType) {
  return {startMinute, startSecond, 0, leadOutMinute, leadOutSecond, 0, 0, 0, discType, {}};
}

TEST(DiscReportText, UnnamedStatesLeaveTheirLinesEmpty) {
  DiscReportValues values;
  values.sessionCount = 2;
  values.lastTrackNumber = 7;
  values.statusMask = 0x8 | 0x10 | 0x100;  // other status, erasable, no disc type bit
  values.lastBlockAddress = 1000;
  values.mediaSizeSectors = -1;  // taken as unsigned for the megabytes

  EXPECT_EQ(BuildDiscReportText(values),
            "Sessions - 2\n"
            "Tracks - 7\n"
            "Disc Status - \n"
            "Disc Type - ReWritable\n"
            "Last Session Status - Reserved\n"
            "Disc Mode - \n"
            "Media Capacity - 2.00 MB (1000 sectors)\n"
            "Media Size - 8589934.59 MB (-1 sectors)\n");
}

TEST(DiscReportText, SessionBlocksWithTimesSizesAndTrackKinds) {
  DiscToc toc;
  TocSession first = Session(0, 0, 60, 0, 0x00);
  first.tracks = {Track(1, 0, 2, 0, true), Track(2, 3, 22, 5, false)};
  TocSession second = Session(61, 32, 70, 0, 0x20);
  second.tracks = {Track(3, 61, 34, 0, false)};
  TocSession third = Session(71, 0, 0, 0, 0xC0);  // lead-out unknown
  third.tracks = {Track(4, 71, 2, 0, false)};
  TocSession fourth = Session(72, 0, 73, 0, 0x10);
  toc.sessions = {first, second, third, fourth};

  DiscReportValues values;
  values.sessionCount = 4;
  values.lastTrackNumber = 4;
  values.statusMask = 0x4 | 0x20 | 0x200 | 0x1000;
  values.lastBlockAddress = 314849;
  values.mediaSizeSectors = 359999;
  values.toc = toc;

  EXPECT_EQ(BuildDiscReportText(values),
            "Sessions - 4\n"
            "Tracks - 4\n"
            "Disc Status - Complete Disc\n"
            "Disc Type - Not ReWritable\n"
            "Last Session Status - Complete\n"
            "Disc Mode - CD-ROM XA, DDCD;\n"
            "Media Capacity - 629.70 MB (314849 sectors)\n"
            "Media Size - 720.00 MB (359999 sectors)\n"
            "Session  1  00:00:00  CD-Audio or Mode 1  (527.34 MB) \n"
            "Track  1  00:02:00  03:20:05  Audio \n"
            "Track  2  03:22:05  56:37:70  Data \n"
            "\n"
            "Session  2  61:32:00  CD XA - Mode 2, DDCD disc  (74.41 MB) \n"
            "Track  3  61:34:00  08:26:00  Data \n"
            "\n"
            "Session  3  71:00:00 \n"
            "Track  4  71:02:00  00:00:00  Data \n"
            "\n"
            "Session  4  72:00:00  CD-I disc  (8.79 MB) \n"
            "\n");
}

TEST(DiscReportText, NinetyNineTracksAreShownWhole) {
  TocSession session = Session(0, 0, 101, 2, 0x00);
  for (int number = 1; number <= 99; ++number) {
    session.tracks.push_back(Track(number, number - 1, 2, 0, true));
  }
  DiscReportValues values;
  values.sessionCount = 1;
  values.lastTrackNumber = 99;
  values.statusMask = 0x4 | 0x20 | 0x200 | 0x400;
  values.toc = DiscToc{};
  values.toc->sessions.push_back(session);

  const std::string text = BuildDiscReportText(values);
  const std::string firstTrack = "Track  1  00:02:00  01:00:00  Audio \n";
  const std::string lastTrack = "Track 99  98:02:00  03:00:00  Audio \n\n";
  ASSERT_NE(text.find(firstTrack), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - lastTrack.size()), lastTrack);
  // Every track line is the same width, so the whole list must be present.
  const std::size_t sessionStart = text.find("Session  1 ");
  const std::size_t sessionLineEnd = text.find('\n', sessionStart) + 1;
  EXPECT_EQ(text.size() - sessionLineEnd, 99 * firstTrack.size() + 1);
}

// The size of a disc that takes more data is its last possible lead-out (MSF
// on CD, a block address on DVD); a closed disc's is what it holds.
TEST(DiscReportText, MediaSizeOfBlankOpenAndClosedDiscs) {
  struct Case {
    std::uint32_t field;
    bool dvd;
    std::int32_t lastBlock;
    std::int32_t size;
  };
  for (const Case& c : {Case{0x004F3B4A, false, 0, 359999},      // blank 80-minute CD-R: 79:59:74
                        Case{0x004F3B4A, false, 20000, 359999},  // open CD-R
                        Case{0xFFFFFFFF, false, 301, 302},        // closed CD
                        Case{0x00231280, true, 0, 2298496},      // blank DVD-R
                        Case{0x00231280, true, 5000, 2298496},   // open DVD-R
                        Case{0xFFFFFFFF, true, 4999, 5000},       // closed DVD
                        Case{0xFFFFFFFF, true, 0, 0}}) {          // closed, capacity unreadable
    EXPECT_EQ(MediaSizeSectors(c.field, c.dvd, c.lastBlock), c.size) << std::hex << c.field;
  }
}

TEST(DiscReportText, TheMediumIsNamedWithItsRecordingAndState) {
  struct Case {
    std::uint16_t profile;
    std::uint32_t mask;
    const char* text;
  };
  for (const Case& c : {Case{0x0011, 0x2, "DVD-R (sequential, open)"}, Case{0x001A, 0x4, "DVD+RW (formatted)"},
                        Case{0x0013, 0x4, "DVD-RW (restricted overwrite, formatted)"},
                        Case{0x001B, 0x4, "DVD+R (closed)"}, Case{0x0009, 0x1, "CD-R (blank)"},
                        Case{0x0010, 0x4, "DVD-ROM"}, Case{0x0000, 0x1, ""}}) {
    EXPECT_EQ(MediumDescription(c.profile, c.mask), c.text);
  }
}

}  // namespace
}  // namespace brenmark
