#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "vcd/MpegStreamCheck.h"

namespace brenmark::vcd {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

// An MPEG-1 pack header (SCR and mux rate left zero but for their marker bits).
Bytes Pack() { return {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01}; }

// A packet of the stream `id` with a PTS in its MPEG-1 header.
Bytes Packet(std::uint8_t id, const Bytes& payload) {
  const Bytes header = {0xFF, 0xFF, 0x21, 0x00, 0x01, 0x00, 0x01};
  const std::size_t length = header.size() + payload.size();
  Bytes packet = {0x00, 0x00, 0x01, id, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  Append(packet, header);
  Append(packet, payload);
  return packet;
}

// A sequence header of 352x240 video whose next start code is `follower`.
Bytes Sequence(std::uint8_t follower) {
  return {0x00, 0x00, 0x01, 0xB3, 0x16, 0x00, 0xF0, 0xC4, 0x02, 0x3A, 0x98, 0x80, 0x00, 0x00, 0x01, follower, 0x14, 0x8A};
}

// The sequence header split into two halves, each carried by a video packet,
// with an audio packet between them: the check must join the video packets
// to find what follows.
Bytes SplitStream(std::uint8_t follower) {
  const Bytes sequence = Sequence(follower);
  Bytes stream = Pack();
  Append(stream, Packet(0xE0, Bytes(sequence.begin(), sequence.begin() + 10)));
  Append(stream, Packet(0xC0, Bytes{0x00, 0x00, 0x01, 0xB5, 0xFF, 0xFD}));
  Append(stream, Pack());
  Append(stream, Packet(0xE0, Bytes(sequence.begin() + 10, sequence.end())));
  return stream;
}

TEST(MpegStreamCheck, TellsMpegOneFromWhatAVideoCdCannotTake) {
  EXPECT_EQ(ClassifyMpegStream(SplitStream(0xB8)), MpegStreamKind::MpegOneSystemStream);
  // Zero bytes between packs (empty sectors) are allowed; other bytes there are not.
  Bytes padded = Pack();
  Append(padded, Bytes(2000, 0x00));
  Append(padded, SplitStream(0xB8));
  EXPECT_EQ(ClassifyMpegStream(padded), MpegStreamKind::MpegOneSystemStream);
  padded[1000] = 0x01;
  EXPECT_EQ(ClassifyMpegStream(padded), MpegStreamKind::Damaged);
  // The extension in the audio packet does not count; the one after the video's sequence header does.
  EXPECT_EQ(ClassifyMpegStream(SplitStream(0xB5)), MpegStreamKind::MpegTwoVideo);

  Bytes mpegTwoPack = SplitStream(0xB8);
  mpegTwoPack[4] = 0x44;
  EXPECT_EQ(ClassifyMpegStream(mpegTwoPack), MpegStreamKind::MpegTwoPacks);

  Bytes audioOnly = Pack();
  Append(audioOnly, Packet(0xC0, Bytes(64, 0x55)));
  EXPECT_EQ(ClassifyMpegStream(audioOnly), MpegStreamKind::NoVideo);

  // A packet whose length points into the middle of the stream's bytes.
  Bytes overlong = SplitStream(0xB8);
  overlong[17] = static_cast<std::uint8_t>(overlong[17] - 3);
  EXPECT_EQ(ClassifyMpegStream(overlong), MpegStreamKind::Damaged);

  EXPECT_EQ(ClassifyMpegStream({}), MpegStreamKind::Empty);
  const Bytes riff = {'R', 'I', 'F', 'F', 0x24, 0x00, 0x00, 0x00, 'W', 'A', 'V', 'E'};
  EXPECT_EQ(ClassifyMpegStream(riff), MpegStreamKind::NotProgramStream);
}

// A stream cut inside its last packet still shows what it holds.
TEST(MpegStreamCheck, AWindowEndingInsideAPacketKeepsWhatItHolds) {
  const Bytes whole = SplitStream(0xB8);
  EXPECT_EQ(ClassifyMpegStream(Bytes(whole.begin(), whole.end() - 1)), MpegStreamKind::MpegOneSystemStream);
  EXPECT_EQ(ClassifyMpegStream(Bytes(whole.begin(), whole.begin() + 20)), MpegStreamKind::NoVideo);
}

// Almost a megabyte of tiny video packets without a start code, then the
// sequence header one byte a packet, so that every start code straddles
// packets: found all the same, and the window read in linear time.
TEST(MpegStreamCheck, FindsTheSequenceHeaderSpreadOverTinyPackets) {
  const std::pair<std::uint8_t, MpegStreamKind> cases[] = {{0xB8, MpegStreamKind::MpegOneSystemStream},
                                                           {0xB5, MpegStreamKind::MpegTwoVideo}};
  for (const auto& [follower, kind] : cases) {
    Bytes stream = Pack();
    while (stream.size() < kMpegCheckBytes - 1024) Append(stream, Packet(0xE0, {0x55}));
    for (const std::uint8_t byte : Sequence(follower)) Append(stream, Packet(0xE0, {byte}));
    EXPECT_EQ(ClassifyMpegStream(stream), kind) << "follower " << int{follower};
  }
}

}  // namespace
}  // namespace brenmark::vcd
