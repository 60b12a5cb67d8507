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
  values.lastLeadOutStartFrames = -1;  // taken as unsigned for the megabytes

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
  values.lastLeadOutStartFrames = 359999;
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

}  // namespace
}  // namespace brenmark
