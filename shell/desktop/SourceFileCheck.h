#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/desktop/JobKind.h"

namespace brenmark::desktop {

// A file of the audio CD or Video CD list, checked as it is added: whether it
// can be read and is of the kind the disc takes, and what it takes on a CD.
struct CheckedFile {
  std::string path;
  // Why the file cannot be burned, in words for the user; empty when it can.
  std::string problem;
  std::uint64_t bytes = 0;
  // The CD blocks its track takes (audio: 75 a second, at least four seconds).
  std::uint32_t blocks = 0;
  // An audio file shorter than four seconds, whose track is padded with silence.
  bool padded = false;
};

// The blocks of an 80-minute CD, the capacity the totals are shown against.
inline constexpr std::uint32_t kCdCapacityBlocks = 80 * 60 * 75;

// Checks `path` (UTF-8) as a source of `kind` (AudioCd or VideoCd): an audio
// file must be a 16-bit stereo 44.1 kHz PCM WAV file, a video file an MPEG-1
// system stream smaller than 4 GB; both must be regular files that can be read.
CheckedFile CheckSourceFile(JobKind kind, const std::string& path);

// What the list shows beside a file: its length (audio) or size (video), or
// why it cannot be burned.
std::string CheckedFileText(JobKind kind, const CheckedFile& file);

// The line under the list: how many files, their length (audio) and size,
// against an 80-minute CD.
std::string SourceListTotals(JobKind kind, const std::vector<CheckedFile>& files);

// OK takes a list that holds files and none that cannot be burned.
bool SourceListAcceptable(const std::vector<CheckedFile>& files);

}  // namespace brenmark::desktop
