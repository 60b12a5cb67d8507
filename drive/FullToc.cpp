#include "drive/FullToc.h"

#include "bytes/ByteOrder.h"

namespace brenmark {
namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kDescriptorSize = 11;

struct Descriptor {
  std::uint8_t adr;
  std::uint8_t control;
  std::uint8_t point;
  std::uint8_t minute, second, frame;
  std::uint8_t pmin, psec, pframe;
};

Descriptor ReadDescriptor(const std::uint8_t* p) {
  return Descriptor{static_cast<std::uint8_t>(p[1] >> 4), static_cast<std::uint8_t>(p[1] & 0x0F),
                    p[3], p[4], p[5], p[6], p[8], p[9], p[10]};
}

}  // namespace

DiscToc ParseFullToc(const std::uint8_t* response, std::size_t responseSize) {
  DiscToc toc;
  if (response == nullptr || responseSize < kHeaderSize) return toc;

  const std::size_t dataEnd = bytes::ReadBe16(response) + 2u;
  std::int32_t pendingMinute = 0, pendingSecond = 0, pendingFrame = 0;
  // The session the descriptors currently belong to; null before the first
  // A0h and while a session past the limit is being skipped.
  TocSession* session = nullptr;

  for (std::size_t pos = kHeaderSize; pos < dataEnd && pos + kDescriptorSize <= responseSize; pos += kDescriptorSize) {
    const Descriptor d = ReadDescriptor(response + pos);
    if (d.adr == 1 && d.point == 0xA0) {
      if (toc.sessionCount() < DiscToc::kMaxSessions) {
        TocSession& added = toc.sessions.emplace_back();
        added.startMinute = pendingMinute;
        added.startSecond = pendingSecond;
        added.startFrame = pendingFrame;
        added.firstTrackNumber = d.pmin;
        added.discType = d.psec;
        session = &added;
      } else {
        session = nullptr;
      }
    } else if (d.adr == 1 && d.point == 0xA1) {
      if (session != nullptr) session->lastTrackNumber = d.pmin;
    } else if (d.adr == 1 && d.point == 0xA2) {
      if (session != nullptr) {
        session->leadOutMinute = d.pmin;
        session->leadOutSecond = d.psec;
        session->leadOutFrame = d.pframe;
      }
    } else if (d.adr == 1 && d.point >= 0x01 && d.point <= 0x63) {
      if (session != nullptr && session->trackCount() < TocSession::kMaxTracks) {
        TocTrack& track = session->tracks.emplace_back();
        track.trackNumber = d.point;
        track.startMinute = d.pmin;
        track.startSecond = d.psec;
        track.startFrame = d.pframe;
        track.audio = (d.control & 0x04) ? 0 : 1;
      }
    } else if (d.adr == 5 && d.point == 0xB0) {
      pendingMinute = d.minute;
      pendingSecond = d.second;
      pendingFrame = d.frame;
    }
  }
  return toc;
}

}  // namespace brenmark
