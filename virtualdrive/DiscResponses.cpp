#include "virtualdrive/DiscResponses.h"

#include "bytes/ByteOrder.h"
#include "virtualdrive/DiscGeometry.h"

namespace brenmark::virtualdrive {

namespace {

void PutMsf(std::vector<std::uint8_t>& out, std::size_t at, Msf msf) {
  out[at] = 0;
  out[at + 1] = msf.minute;
  out[at + 2] = msf.second;
  out[at + 3] = msf.frame;
}

// A CD address field: 00 MM SS FF of a frame count, or the block address on DVD.
void PutDiscAddress(std::vector<std::uint8_t>& out, std::size_t at, const DiscState& disc,
                    std::int32_t frames, std::int32_t lba) {
  if (IsCdMedium(disc.kind)) {
    PutMsf(out, at, FramesToMsf(frames));
  } else {
    bytes::WriteBe32(&out[at], static_cast<std::uint32_t>(lba));
  }
}

std::int32_t NextLeadInStart(const DiscState& disc) {
  if (disc.sessions.empty()) return geometry::kBlankLeadInFrame;
  const std::int32_t leadOut =
      disc.sessions.size() == 1 ? geometry::kFirstLeadOutBlocks : geometry::kLaterLeadOutBlocks;
  return disc.sessions.back().leadOutStart + leadOut + geometry::kMsfOffset;
}

std::uint8_t DataMode(TrackKind kind) {
  switch (kind) {
    case TrackKind::Mode1: return 1;
    case TrackKind::Mode2: return 2;
    case TrackKind::Audio: break;
  }
  return 0x0F;
}

std::vector<std::uint8_t> DescribeTrack(const DiscState& disc, const DiscTrack& track) {
  std::vector<std::uint8_t> out(48, 0);
  bytes::WriteBe16(&out[0], 46);
  out[2] = static_cast<std::uint8_t>(track.number);
  out[3] = static_cast<std::uint8_t>(track.session);
  out[5] = static_cast<std::uint8_t>(track.Control());
  out[6] = DataMode(track.kind);
  bytes::WriteBe32(&out[8], static_cast<std::uint32_t>(track.start));
  std::int32_t size = track.ExtentEnd() - track.start;
  if (!track.closed) {
    const std::int32_t free = disc.FreeBlocks();
    if (const auto nwa = disc.NextWritableAddress()) {
      out[7] = 0x01;
      bytes::WriteBe32(&out[12], static_cast<std::uint32_t>(*nwa));
    }
    bytes::WriteBe32(&out[16], static_cast<std::uint32_t>(free));
    size += free;
  }
  bytes::WriteBe32(&out[24], static_cast<std::uint32_t>(size));
  if (disc.formatted) {
    // Written in fixed packets of one ECC block.
    out[6] |= 0x30;
    bytes::WriteBe32(&out[20], static_cast<std::uint32_t>(geometry::kDvdEccBlocks));
  }
  if (track.end > track.start) {
    out[7] |= 0x02;
    bytes::WriteBe32(&out[28], static_cast<std::uint32_t>(track.end - 1));
  }
  return out;
}

std::vector<std::uint8_t> DescribeInvisibleTrack(const DiscState& disc, const NextTrack& next) {
  std::vector<std::uint8_t> out(48, 0);
  const std::int32_t free = disc.FreeBlocks();
  bytes::WriteBe16(&out[0], 46);
  out[2] = static_cast<std::uint8_t>(next.number);
  out[3] = static_cast<std::uint8_t>(next.session);
  out[5] = 0x04;
  out[6] = 0x40 | 0x0F;  // blank, data mode not yet known
  out[7] = 0x01;
  bytes::WriteBe32(&out[8], static_cast<std::uint32_t>(next.start));
  bytes::WriteBe32(&out[12], static_cast<std::uint32_t>(next.start));
  bytes::WriteBe32(&out[16], static_cast<std::uint32_t>(free));
  bytes::WriteBe32(&out[24], static_cast<std::uint32_t>(free));
  return out;
}

void AddFullTocDescriptor(std::vector<std::uint8_t>& out, int session, std::uint8_t adrControl,
                          std::uint8_t point, Msf time, Msf pointTime) {
  out.insert(out.end(), {static_cast<std::uint8_t>(session), adrControl, 0, point, time.minute, time.second,
                         time.frame, 0, pointTime.minute, pointTime.second, pointTime.frame});
}

Response FullToc(const DiscState& disc) {
  std::vector<std::uint8_t> out(4, 0);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(disc.sessions.size());
  for (std::size_t index = 0; index < disc.sessions.size(); ++index) {
    const DiscSession& session = disc.sessions[index];
    const DiscTrack* first = nullptr;
    const DiscTrack* last = nullptr;
    for (const DiscTrack& track : disc.tracks) {
      if (track.session != session.number) continue;
      if (first == nullptr) first = &track;
      last = &track;
    }
    if (first == nullptr) continue;
    const auto adr1 = [](const DiscTrack& track) { return static_cast<std::uint8_t>(0x10 | track.Control()); };
    AddFullTocDescriptor(out, session.number, adr1(*first), 0xA0, {},
                         Msf{static_cast<std::uint8_t>(first->number), session.format, 0});
    AddFullTocDescriptor(out, session.number, adr1(*last), 0xA1, {},
                         Msf{static_cast<std::uint8_t>(last->number), 0, 0});
    AddFullTocDescriptor(out, session.number, adr1(*last), 0xA2, {}, LbaToMsf(session.leadOutStart));
    for (const DiscTrack* track = first; track <= last; ++track) {
      AddFullTocDescriptor(out, session.number, adr1(*track), static_cast<std::uint8_t>(track->number), {},
                           LbaToMsf(track->start));
    }
    if (session.nextSessionAllowed) {
      const std::int32_t leadOut =
          index == 0 ? geometry::kFirstLeadOutBlocks : geometry::kLaterLeadOutBlocks;
      const std::int32_t nextProgramArea = session.leadOutStart + leadOut + geometry::kLeadInBlocks;
      AddFullTocDescriptor(out, session.number, 0x50, 0xB0, LbaToMsf(nextProgramArea),
                           FramesToMsf(geometry::CdLastLeadOutFrame(disc.minutes)));
    }
  }
  bytes::WriteBe16(&out[0], static_cast<std::uint32_t>(out.size() - 2));
  return {out, std::nullopt};
}

void PutTocAddress(std::vector<std::uint8_t>& out, std::size_t at, std::int32_t lba, bool msf) {
  if (msf) {
    PutMsf(out, at, LbaToMsf(lba));
  } else {
    bytes::WriteBe32(&out[at], static_cast<std::uint32_t>(lba));
  }
}

Response FormattedToc(const DiscState& disc, bool msf, std::uint8_t startTrack) {
  std::vector<std::uint8_t> out(4, 0);
  const DiscSession& lastSession = disc.sessions.back();
  int firstNumber = 0;
  int lastNumber = 0;
  for (const DiscTrack& track : disc.tracks) {
    if (track.session > lastSession.number) break;
    if (firstNumber == 0) firstNumber = track.number;
    lastNumber = track.number;
  }
  if (startTrack > lastNumber && startTrack != 0xAA) return {{}, sense::kInvalidFieldInCdb};
  out[2] = static_cast<std::uint8_t>(firstNumber);
  out[3] = static_cast<std::uint8_t>(lastNumber);
  for (const DiscTrack& track : disc.tracks) {
    if (track.session > lastSession.number) break;
    if (track.number < startTrack) continue;
    const std::size_t at = out.size();
    out.resize(at + 8, 0);
    out[at + 1] = static_cast<std::uint8_t>(0x10 | track.Control());
    out[at + 2] = static_cast<std::uint8_t>(track.number);
    PutTocAddress(out, at + 4, track.start, msf);
  }
  const std::size_t at = out.size();
  out.resize(at + 8, 0);
  out[at + 1] = static_cast<std::uint8_t>(0x10 | disc.tracks.back().Control());
  out[at + 2] = 0xAA;
  PutTocAddress(out, at + 4, lastSession.leadOutStart, msf);
  bytes::WriteBe16(&out[0], static_cast<std::uint32_t>(out.size() - 2));
  return {out, std::nullopt};
}

Response SessionInformation(const DiscState& disc, bool msf) {
  std::vector<std::uint8_t> out(12, 0);
  const DiscSession& lastSession = disc.sessions.back();
  bytes::WriteBe16(&out[0], 10);
  out[2] = 1;
  out[3] = static_cast<std::uint8_t>(lastSession.number);
  for (const DiscTrack& track : disc.tracks) {
    if (track.session != lastSession.number) continue;
    out[5] = static_cast<std::uint8_t>(0x10 | track.Control());
    out[6] = static_cast<std::uint8_t>(track.number);
    PutTocAddress(out, 8, track.start, msf);
    break;
  }
  return {out, std::nullopt};
}

}  // namespace

std::vector<std::uint8_t> DiscInformation(const DiscState& disc) {
  std::vector<std::uint8_t> out(34, 0);
  bytes::WriteBe16(&out[0], 32);
  out[2] = static_cast<std::uint8_t>((IsErasable(disc.kind) ? 0x10 : 0) |
                                     (static_cast<std::uint8_t>(disc.LastSessionState()) << 2) |
                                     static_cast<std::uint8_t>(disc.Status()));
  out[3] = 1;
  const int sessions = disc.SessionCount();
  const int firstTrack = disc.FirstTrackInLastSession();
  const int lastTrack = disc.LastTrackInLastSession();
  out[4] = static_cast<std::uint8_t>(sessions);
  out[5] = static_cast<std::uint8_t>(firstTrack);
  out[6] = static_cast<std::uint8_t>(lastTrack);
  // Background format status of a DVD+RW: none, or complete.
  if (disc.kind == MediumKind::DvdPlusRw && disc.formatted) out[7] = 0x03;
  out[8] = disc.DiscType();
  out[9] = static_cast<std::uint8_t>(sessions >> 8);
  out[10] = static_cast<std::uint8_t>(firstTrack >> 8);
  out[11] = static_cast<std::uint8_t>(lastTrack >> 8);
  if (disc.Status() == DiscStatus::Complete) {
    for (std::size_t at = 16; at < 24; ++at) out[at] = 0xFF;
  } else {
    const std::int32_t leadIn = NextLeadInStart(disc);
    PutDiscAddress(out, 16, disc, leadIn, leadIn - geometry::kMsfOffset);
    PutDiscAddress(out, 20, disc, disc.Capacity() + geometry::kMsfOffset, disc.Capacity());
  }
  return out;
}

Response TrackInformation(const DiscState& disc, std::uint8_t addressType, std::uint32_t value) {
  const auto next = disc.Invisible();
  switch (addressType) {
    case 0: {
      const auto lba = static_cast<std::int32_t>(value);
      if (const DiscTrack* track = disc.TrackContaining(lba)) return {DescribeTrack(disc, *track), std::nullopt};
      if (next && lba >= next->pregapStart && lba < disc.Capacity()) {
        return {DescribeInvisibleTrack(disc, *next), std::nullopt};
      }
      return {{}, sense::kLbaOutOfRange};
    }
    case 1: {
      if (const DiscTrack* track = disc.TrackNumbered(static_cast<int>(value))) {
        return {DescribeTrack(disc, *track), std::nullopt};
      }
      if (next && (value == 0xFF || static_cast<int>(value) == next->number)) {
        return {DescribeInvisibleTrack(disc, *next), std::nullopt};
      }
      if (value == 0xFF && disc.OpenTrack() != nullptr) return {DescribeTrack(disc, *disc.OpenTrack()), std::nullopt};
      return {{}, sense::kInvalidFieldInCdb};
    }
    case 2: {
      for (const DiscTrack& track : disc.tracks) {
        if (track.session == static_cast<int>(value)) return {DescribeTrack(disc, track), std::nullopt};
      }
      if (next && next->session == static_cast<int>(value)) return {DescribeInvisibleTrack(disc, *next), std::nullopt};
      return {{}, sense::kInvalidFieldInCdb};
    }
    default: break;
  }
  return {{}, sense::kInvalidFieldInCdb};
}

namespace {

// The ATIP a recordable CD carries in its pre-groove, whatever is written on
// it: the lead-in start the blank disc's maker set and the last possible
// lead-out start of its size.
Response Atip(const DiscState& disc) {
  if (!IsCdMedium(disc.kind) || !IsRecordable(disc.kind)) return {{}, sense::kInvalidFieldInCdb};
  std::vector<std::uint8_t> out(28, 0);
  bytes::WriteBe16(&out[0], static_cast<std::uint16_t>(out.size() - 2));
  out[4] = 0x80 | 0x50;  // indicative target writing power 5
  out[6] = static_cast<std::uint8_t>(0x80 | (IsErasable(disc.kind) ? 0x40 : 0));
  const Msf leadIn = FramesToMsf(geometry::kBlankLeadInFrame);
  const Msf leadOut = FramesToMsf(disc.Capacity() + geometry::kMsfOffset);
  out[8] = leadIn.minute;
  out[9] = leadIn.second;
  out[10] = leadIn.frame;
  out[12] = leadOut.minute;
  out[13] = leadOut.second;
  out[14] = leadOut.frame;
  return {out, std::nullopt};
}

}  // namespace

Response TableOfContents(const DiscState& disc, std::uint8_t format, bool msf, std::uint8_t trackOrSession) {
  if (format == 4) return Atip(disc);
  // Only closed sessions have a table of contents; a blank disc has none.
  if (disc.sessions.empty()) return {{}, sense::kInvalidFieldInCdb};
  switch (format) {
    case 0: return FormattedToc(disc, msf, trackOrSession);
    case 1: return SessionInformation(disc, msf);
    case 2:
      if (!IsCdMedium(disc.kind)) break;
      return FullToc(disc);
    case 5: {
      // CD-TEXT: the lead-in's packs; a disc without them has none to give.
      if (disc.cdText.empty()) break;
      std::vector<std::uint8_t> out(4, 0);
      for (const cdtext::Pack& pack : disc.cdText) out.insert(out.end(), pack.begin(), pack.end());
      bytes::WriteBe16(&out[0], static_cast<std::uint32_t>(out.size() - 2));
      return {out, std::nullopt};
    }
    default: break;
  }
  return {{}, sense::kInvalidFieldInCdb};
}

std::vector<std::uint8_t> Capacity(const DiscState& disc) {
  std::vector<std::uint8_t> out(8, 0);
  bytes::WriteBe32(&out[0], static_cast<std::uint32_t>(disc.LastRecordedBlock()));
  bytes::WriteBe32(&out[4], 2048);
  return out;
}

}  // namespace brenmark::virtualdrive
