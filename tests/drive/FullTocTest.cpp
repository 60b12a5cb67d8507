#include <gtest/gtest.h>

#include <vector>

#include "drive/DiscToc.h"
#include "drive/FullToc.h"
#include "tests/drive/RegistryFixture.h"

namespace brenmark::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds a full TOC response from descriptors given as
// (session, adr, control, point, min, sec, frame, pmin, psec, pframe).
class TocBuilder {
 public:
  TocBuilder& Add(std::uint8_t session, std::uint8_t adr, std::uint8_t control, std::uint8_t point,
                  std::uint8_t min, std::uint8_t sec, std::uint8_t frame, std::uint8_t pmin,
                  std::uint8_t psec, std::uint8_t pframe) {
    descriptors_.insert(descriptors_.end(),
                        {session, static_cast<std::uint8_t>(adr << 4 | control), 0, point, min, sec,
                         frame, 0, pmin, psec, pframe});
    return *this;
  }
  TocBuilder& Track(std::uint8_t session, std::uint8_t control, std::uint8_t point,
                    std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return Add(session, 1, control, point, 0, 0, 0, m, s, f);
  }
  Bytes Build() const {
    Bytes response{0, 0, 1, 1};
    const std::size_t length = descriptors_.size() + 2;
    response[0] = static_cast<std::uint8_t>(length >> 8);
    response[1] = static_cast<std::uint8_t>(length);
    response.insert(response.end(), descriptors_.begin(), descriptors_.end());
    return response;
  }

 private:
  Bytes descriptors_;
};

Bytes TwoSessionToc() {
  return TocBuilder()
      .Add(1, 1, 4, 0xA0, 0, 0, 0, 1, 0x20, 0)
      .Add(1, 1, 4, 0xA1, 0, 0, 0, 2, 0, 0)
      .Add(1, 1, 4, 0xA2, 0, 0, 0, 10, 0, 0)
      .Track(1, 4, 1, 0, 2, 0)
      .Track(1, 0, 2, 5, 0, 0)
      .Add(1, 5, 4, 0xB0, 12, 32, 0, 79, 59, 74)
      .Add(2, 1, 4, 0xA0, 0, 0, 0, 3, 0x00, 0)
      .Add(2, 1, 4, 0xA1, 0, 0, 0, 3, 0, 0)
      .Add(2, 1, 4, 0xA2, 0, 0, 0, 20, 0, 0)
      .Track(2, 2, 3, 12, 34, 0)
      .Build();
}

TEST(FullToc, TwoSessionsWithTheSecondStartingAtTheAnnouncedProgramArea) {
  const Bytes response = TwoSessionToc();
  const DiscToc toc = ParseFullToc(response.data(), response.size());

  ASSERT_EQ(toc.sessionCount(), 2);
  const TocSession& first = toc.sessions[0];
  EXPECT_EQ(first.startMinute + first.startSecond + first.startFrame, 0);
  EXPECT_EQ(first.firstTrackNumber, 1);
  EXPECT_EQ(first.lastTrackNumber, 2);
  EXPECT_EQ(first.discType, 0x20);
  EXPECT_EQ(first.LeadOut(), 10 * 4500);
  ASSERT_EQ(first.trackCount(), 2);
  EXPECT_EQ(first.tracks[0].trackNumber, 1);
  EXPECT_EQ(first.tracks[0].audio, 0);  // CONTROL 4: data
  EXPECT_EQ(first.tracks[1].audio, 1);  // CONTROL 0: audio
  EXPECT_EQ(first.TrackStart(0), 150);
  EXPECT_EQ(first.TrackLength(0), 5 * 4500 - 150);
  EXPECT_EQ(first.TrackLength(1), 10 * 4500 - 5 * 4500);  // last track ends at the lead-out
  EXPECT_EQ(first.TrackLength(2), 0);

  const TocSession& second = toc.sessions[1];
  EXPECT_EQ(second.startMinute, 12);
  EXPECT_EQ(second.startSecond, 32);
  EXPECT_EQ(second.startFrame, 0);
  EXPECT_EQ(second.firstTrackNumber, 3);
  EXPECT_EQ(second.discType, 0x00);
  ASSERT_EQ(second.trackCount(), 1);
  EXPECT_EQ(second.tracks[0].trackNumber, 3);
  EXPECT_EQ(second.tracks[0].audio, 1);  // CONTROL 2 leaves bit 2 clear
  EXPECT_EQ(second.TrackLength(0), 20 * 4500 - (12 * 4500 + 34 * 75));
}

TEST(FullToc, TrackLengthIsZeroWhenTheEndIsZero) {
  const Bytes response = TocBuilder()
                             .Add(1, 1, 0, 0xA0, 0, 0, 0, 1, 0, 0)
                             .Track(1, 0, 1, 0, 2, 0)
                             .Build();
  const DiscToc toc = ParseFullToc(response.data(), response.size());
  ASSERT_EQ(toc.sessionCount(), 1);
  EXPECT_EQ(toc.sessions[0].TrackLength(0), 0);  // no A2h: lead-out 0
  EXPECT_EQ(toc.sessions[0].TrackLength(-1), 0);
}

TEST(FullToc, DescriptorsBeforeTheFirstSessionAreIgnored) {
  const Bytes response = TocBuilder()
                             .Add(1, 1, 0, 0xA1, 0, 0, 0, 9, 0, 0)
                             .Add(1, 1, 0, 0xA2, 0, 0, 0, 9, 9, 9)
                             .Track(1, 0, 1, 0, 2, 0)
                             .Add(1, 1, 0, 0xA0, 0, 0, 0, 1, 0, 0)
                             .Track(1, 0, 1, 0, 2, 0)
                             .Build();
  const DiscToc toc = ParseFullToc(response.data(), response.size());
  ASSERT_EQ(toc.sessionCount(), 1);
  EXPECT_EQ(toc.sessions[0].lastTrackNumber, 0);
  EXPECT_EQ(toc.sessions[0].LeadOut(), 0);
  EXPECT_EQ(toc.sessions[0].trackCount(), 1);
}

TEST(FullToc, SessionsAndTracksPastNinetyNineAreIgnored) {
  TocBuilder sessions;
  for (int s = 1; s <= 101; ++s) {
    sessions.Add(static_cast<std::uint8_t>(s), 1, 0, 0xA0, 0, 0, 0, static_cast<std::uint8_t>(s),
                 0, 0);
    sessions.Track(static_cast<std::uint8_t>(s), 0, 1, static_cast<std::uint8_t>(s), 0, 0);
  }
  Bytes response = sessions.Build();
  DiscToc toc = ParseFullToc(response.data(), response.size());
  ASSERT_EQ(toc.sessionCount(), 99);
  EXPECT_EQ(toc.sessions[98].firstTrackNumber, 99);
  EXPECT_EQ(toc.sessions[98].trackCount(), 1);  // tracks of sessions 100, 101 not added here

  TocBuilder tracks;
  tracks.Add(1, 1, 0, 0xA0, 0, 0, 0, 1, 0, 0);
  for (int t = 0; t < 105; ++t) tracks.Track(1, 0, static_cast<std::uint8_t>(1 + t % 99), 1, 0, 0);
  response = tracks.Build();
  toc = ParseFullToc(response.data(), response.size());
  ASSERT_EQ(toc.sessionCount(), 1);
  EXPECT_EQ(toc.sessions[0].trackCount(), 99);
}

TEST(FullToc, DescriptorsAreReadOnlyWithinTheResponse) {
  Bytes response = TocBuilder().Add(1, 1, 0, 0xA0, 0, 0, 0, 1, 0, 0).Build();
  response[0] = 0xFF;  // claims far more data than there is
  response[1] = 0xFF;
  DiscToc toc = ParseFullToc(response.data(), response.size());
  EXPECT_EQ(toc.sessionCount(), 1);

  response.resize(10);  // a descriptor cut short is not read
  toc = ParseFullToc(response.data(), response.size());
  EXPECT_EQ(toc.sessionCount(), 0);
}

using ReadSessions = RegistryWithOneDrive;

TEST_F(ReadSessions, ReplacesTheTableOnlyOnSuccess) {
  device->Reply(TransportResult::Good, TwoSessionToc());
  ASSERT_TRUE(registry->ReadSessions(0));
  EXPECT_EQ(registry->discToc.sessionCount(), 2);

  device->Reply(TransportResult::DeviceFailure, Bytes{0, 2, 1, 1});
  EXPECT_FALSE(registry->ReadSessions(0));
  EXPECT_EQ(registry->discToc.sessionCount(), 2);

  device->Reply(TransportResult::Good, Bytes{0, 2, 1, 1});
  ASSERT_TRUE(registry->ReadSessions(0));
  EXPECT_EQ(registry->discToc.sessionCount(), 0);
}

}  // namespace
}  // namespace brenmark::testing
