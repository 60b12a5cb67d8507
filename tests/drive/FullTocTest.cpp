#include <gtest/gtest.h>

#include <vector>

#include "drive/DiscToc.h"
#include "drive/FullToc.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds a full TOC response from 11-byte descriptors.
class TocBuilder {
 public:
  // A point descriptor (A0h, A1h, A2h, B0h) with ADR 1, or the given one.
  TocBuilder& Point(int session, int point, int pmin, int psec = 0, int pframe = 0,
                    int control = 4, int adr = 1, int min = 0, int sec = 0) {
    for (int byte : {session, adr << 4 | control, 0, point, min, sec, 0, 0, pmin, psec, pframe})
      descriptors_.push_back(static_cast<std::uint8_t>(byte));
    return *this;
  }
  TocBuilder& Track(int session, int control, int track, int m, int s) {
    return Point(session, track, m, s, 0, control);
  }
  Bytes Build() const {
    const std::size_t length = descriptors_.size() + 2;
    Bytes response{static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 1, 1};
    response.insert(response.end(), descriptors_.begin(), descriptors_.end());
    return response;
  }

 private:
  Bytes descriptors_;
};

DiscToc Parse(const Bytes& response) { return ParseFullToc(response.data(), response.size()); }

// A session's start (MMSSFF), first and last track number, disc type and
// lead-out frame, then each track's number and audio flag.
std::vector<int> Summary(const TocSession& session) {
  std::vector<int> summary{session.startMinute * 10000 + session.startSecond * 100 + session.startFrame,
                           session.firstTrackNumber, session.lastTrackNumber, session.discType, session.LeadOut()};
  for (const TocTrack& track : session.tracks) summary.insert(summary.end(), {track.trackNumber, track.audio});
  return summary;
}

Bytes TwoSessionToc() {
  return TocBuilder()
      .Point(1, 0xA0, 1, 0x20)
      .Point(1, 0xA1, 2)
      .Point(1, 0xA2, 10)
      .Track(1, 4, 1, 0, 2)
      .Track(1, 0, 2, 5, 0)
      .Point(1, 0xB0, 79, 59, 74, 4, 5, 12, 32)
      .Point(2, 0xA0, 3)
      .Point(2, 0xA1, 3)
      .Point(2, 0xA2, 20)
      .Track(2, 2, 3, 12, 34)
      .Build();
}

TEST(FullToc, TwoSessionsWithTheSecondStartingAtTheAnnouncedProgramArea) {
  const DiscToc toc = Parse(TwoSessionToc());
  ASSERT_EQ(toc.sessionCount(), 2);
  const TocSession& first = toc.sessions[0];
  // CONTROL 4 is a data track, 0 an audio one.
  EXPECT_EQ(Summary(first), (std::vector<int>{0, 1, 2, 0x20, 10 * 4500, 1, 0, 2, 1}));
  EXPECT_EQ(first.TrackStart(0), 150);
  EXPECT_EQ(first.TrackLength(0), 5 * 4500 - 150);
  EXPECT_EQ(first.TrackLength(1), 10 * 4500 - 5 * 4500);  // last track ends at the lead-out
  EXPECT_EQ(first.TrackLength(2), 0);
  EXPECT_EQ(first.TrackLength(-1), 0);

  // CONTROL 2 leaves bit 2 clear: audio.
  const TocSession& second = toc.sessions[1];
  EXPECT_EQ(Summary(second), (std::vector<int>{123200, 3, 3, 0x00, 20 * 4500, 3, 1}));
  EXPECT_EQ(second.TrackLength(0), 20 * 4500 - (12 * 4500 + 34 * 75));
}

TEST(FullToc, DescriptorsBeforeTheFirstSessionAreIgnored) {
  const DiscToc toc = Parse(TocBuilder()
                                .Point(1, 0xA1, 9)
                                .Point(1, 0xA2, 9, 9, 9)
                                .Track(1, 0, 1, 0, 2)
                                .Point(1, 0xA0, 1)
                                .Track(1, 0, 1, 0, 2)
                                .Build());
  ASSERT_EQ(toc.sessionCount(), 1);
  EXPECT_EQ(Summary(toc.sessions[0]), (std::vector<int>{0, 1, 0, 0, 0, 1, 1}));
  EXPECT_EQ(toc.sessions[0].TrackLength(0), 0);  // no A2h: the track's end is zero
}

TEST(FullToc, SessionsAndTracksPastNinetyNineAreIgnored) {
  TocBuilder sessions;
  for (int s = 1; s <= 101; ++s) sessions.Point(s, 0xA0, s).Track(s, 0, 1, s, 0);
  DiscToc toc = Parse(sessions.Build());
  ASSERT_EQ(toc.sessionCount(), 99);
  EXPECT_EQ(toc.sessions[98].firstTrackNumber, 99);
  EXPECT_EQ(toc.sessions[98].trackCount(), 1);  // tracks of sessions 100, 101 not added here

  TocBuilder tracks;
  tracks.Point(1, 0xA0, 1);
  for (int t = 0; t < 105; ++t) tracks.Track(1, 0, 1 + t % 99, 1, 0);
  toc = Parse(tracks.Build());
  ASSERT_EQ(toc.sessionCount(), 1);
  EXPECT_EQ(toc.sessions[0].trackCount(), 99);
}

TEST(FullToc, DescriptorsAreReadOnlyWithinTheResponse) {
  Bytes response = TocBuilder().Point(1, 0xA0, 1).Build();
  response[0] = response[1] = 0xFF;  // claims far more data than there is
  EXPECT_EQ(Parse(response).sessionCount(), 1);
  response.resize(10);  // a descriptor cut short is not read
  EXPECT_EQ(Parse(response).sessionCount(), 0);
}

using ReadSessions = RegistryWithOneDrive;

TEST_F(ReadSessions, GivesTheTableOrTheFailure) {
  device->Reply(TransportResult::Good, TwoSessionToc());
  EXPECT_EQ(drive->ReadSessions().value_or({}).sessionCount(), 2);
  device->Reply(TransportResult::DeviceFailure, Bytes{0, 2, 1, 1});
  EXPECT_EQ(drive->ReadSessions().outcome().result, TransportResult::DeviceFailure);
  device->Reply(TransportResult::Good, Bytes{0, 2, 1, 1});
  const DriveResult<DiscToc> empty = drive->ReadSessions();
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty->sessionCount(), 0);
}

}  // namespace
}  // namespace brenmark::testing
