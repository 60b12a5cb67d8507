#include "vcd/MpegStreamCheck.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "bytes/ByteOrder.h"

namespace brenmark::vcd {
namespace {

constexpr std::uint8_t kPackStart = 0xBA;
constexpr std::uint8_t kProgramEnd = 0xB9;
constexpr std::uint8_t kFirstLengthPrefixed = 0xBB;  // system header and every packet
constexpr std::uint8_t kFirstVideoStream = 0xE0;
constexpr std::uint8_t kLastVideoStream = 0xEF;
constexpr std::uint8_t kSequenceHeader = 0xB3;
constexpr std::uint8_t kSequenceExtension = 0xB5;
// A pack header of MPEG-1: the start code and 8 bytes that begin with the bits 0010.
constexpr std::size_t kMpegOnePackSize = 12;
// The start code and the fixed fields of a sequence header.
constexpr std::size_t kSequenceHeaderSize = 12;

bool IsStartCode(std::span<const std::uint8_t> bytes, std::size_t at) {
  return at + 4 <= bytes.size() && bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1;
}

// The position of the next start code at or after `from`, if any.
std::optional<std::size_t> FindStartCode(std::span<const std::uint8_t> bytes, std::size_t from) {
  for (std::size_t at = from; at + 4 <= bytes.size(); ++at) {
    if (IsStartCode(bytes, at)) return at;
  }
  return std::nullopt;
}

// The payload of an MPEG-1 packet (after its stuffing, buffer size and time
// stamps); nothing when the header does not fit the packet.
std::optional<std::span<const std::uint8_t>> PacketPayload(std::span<const std::uint8_t> packet) {
  std::size_t at = 0;
  while (at < packet.size() && packet[at] == 0xFF) ++at;
  if (at < packet.size() && (packet[at] & 0xC0) == 0x40) at += 2;
  if (at >= packet.size()) return std::nullopt;
  const std::uint8_t flags = packet[at] & 0xF0;
  if (flags == 0x20) {
    at += 5;
  } else if (flags == 0x30) {
    at += 10;
  } else if (packet[at] == 0x0F) {
    at += 1;
  } else {
    return std::nullopt;
  }
  if (at > packet.size()) return std::nullopt;
  return packet.subspan(at);
}

// The payload of the first video stream, gathered packet by packet. Each
// search for the sequence header, and then for the start code that follows
// its fixed fields, resumes where the last one stopped, so that a file of
// many tiny packets is still read in linear time.
class VideoScan {
 public:
  // What the video gathered so far says; nothing while it cannot tell yet.
  std::optional<MpegStreamKind> Add(std::span<const std::uint8_t> payload) {
    video_.insert(video_.end(), payload.begin(), payload.end());
    while (!sequenceHeader_) {
      const std::optional<std::size_t> code = FindStartCode(video_, resume_);
      if (!code) return WaitForMore();
      if (video_[*code + 3] == kSequenceHeader) {
        sequenceHeader_ = true;
        resume_ = *code + kSequenceHeaderSize;
      } else {
        resume_ = *code + 1;
      }
    }
    // Quantiser matrices hold no zero bytes, so the next start code is the first one after the fixed fields.
    const std::optional<std::size_t> next = FindStartCode(video_, resume_);
    if (!next) return WaitForMore();
    return video_[*next + 3] == kSequenceExtension ? MpegStreamKind::MpegTwoVideo
                                                   : MpegStreamKind::MpegOneSystemStream;
  }

  bool SawSequenceHeader() const { return sequenceHeader_; }

 private:
  // Every start code that fits the bytes gathered has been looked at; one
  // may still begin in their last three.
  std::optional<MpegStreamKind> WaitForMore() {
    if (video_.size() >= 3) resume_ = std::max(resume_, video_.size() - 3);
    return std::nullopt;
  }

  std::vector<std::uint8_t> video_;
  bool sequenceHeader_ = false;
  std::size_t resume_ = 0;
};

}  // namespace

MpegStreamKind ClassifyMpegStream(std::span<const std::uint8_t> start) {
  if (start.empty()) return MpegStreamKind::Empty;
  start = start.first(std::min(start.size(), kMpegCheckBytes));
  if (!IsStartCode(start, 0) || start[3] != kPackStart) return MpegStreamKind::NotProgramStream;

  VideoScan video;
  std::optional<std::uint8_t> videoStream;
  std::size_t at = 0;
  for (;;) {
    // Zero bytes may stand between packs: a Video CD stream's empty sectors are zeros.
    while (at < start.size() && start[at] == 0 && !IsStartCode(start, at)) ++at;
    if (!IsStartCode(start, at)) break;
    const std::uint8_t code = start[at + 3];
    if (code == kProgramEnd) break;
    if (code == kPackStart) {
      if (at + 5 > start.size()) break;
      if ((start[at + 4] & 0xF0) != 0x20) return MpegStreamKind::MpegTwoPacks;
      at += kMpegOnePackSize;
      continue;
    }
    if (code < kFirstLengthPrefixed) return MpegStreamKind::Damaged;
    if (at + 6 > start.size()) break;
    const std::size_t length = bytes::ReadBe16(&start[at + 4]);
    const std::size_t end = at + 6 + length;
    const bool isVideo = code >= kFirstVideoStream && code <= kLastVideoStream;
    if (isVideo && (!videoStream || *videoStream == code)) {
      videoStream = code;
      // The last packet in the window may be cut short: its bytes still count.
      const auto payload = PacketPayload(start.subspan(at + 6, std::min(end, start.size()) - (at + 6)));
      if (!payload && end <= start.size()) return MpegStreamKind::Damaged;
      if (const auto verdict = video.Add(payload.value_or(std::span<const std::uint8_t>()))) return *verdict;
    }
    at = end;
  }
  if (at + 4 <= start.size() && !IsStartCode(start, at)) return MpegStreamKind::Damaged;
  // A sequence header whose follower lies beyond the window is taken as MPEG-1.
  return video.SawSequenceHeader() ? MpegStreamKind::MpegOneSystemStream : MpegStreamKind::NoVideo;
}

bool PacksFitVideoCdSectors(std::span<const std::uint8_t> start) {
  constexpr std::size_t kSectorBytes = 2324;
  start = start.first(std::min(start.size(), kMpegCheckBytes));
  std::size_t at = 0;
  for (;;) {
    while (at < start.size() && start[at] == 0 && !IsStartCode(start, at)) ++at;
    // Where the walk cannot go on, what it saw decides; the stream's kind is checked apart.
    if (!IsStartCode(start, at) || start[at + 3] == kProgramEnd) return true;
    const std::uint8_t code = start[at + 3];
    if (code == kPackStart) {
      if (at % kSectorBytes != 0) return false;
      at += kMpegOnePackSize;
      continue;
    }
    if (code < kFirstLengthPrefixed || at + 6 > start.size()) return true;
    at += 6 + bytes::ReadBe16(&start[at + 4]);
  }
}

const char* MpegRefusalReason(MpegStreamKind kind) {
  switch (kind) {
    case MpegStreamKind::MpegOneSystemStream:
      return "";
    case MpegStreamKind::Empty:
      return "the file is empty";
    case MpegStreamKind::NotProgramStream:
      return "it does not begin with an MPEG pack header, so it is not an MPEG-1 system stream";
    case MpegStreamKind::MpegTwoPacks:
      return "its pack headers are MPEG-2's; a Video CD takes MPEG-1 system streams only";
    case MpegStreamKind::NoVideo:
      return "no MPEG video sequence header was found in its first megabyte";
    case MpegStreamKind::MpegTwoVideo:
      return "its video is MPEG-2 (a sequence extension follows the sequence header); a Video CD takes MPEG-1 "
             "video only";
    case MpegStreamKind::Damaged:
      return "its packs or packets do not follow one another as an MPEG system stream's do";
  }
  return "";
}

}  // namespace brenmark::vcd
