#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "audio/WavFile.h"
#include "platform/File.h"

namespace brenmark::audio {

// CD audio: 588 stereo samples of 16 bits in one 2352-byte sector, 75 a second.
inline constexpr std::uint32_t kAudioSectorBytes = 2352;
// Players and recorders refuse tracks shorter than four seconds.
inline constexpr std::uint32_t kMinimumTrackSectors = 300;

// The sectors of a track that holds `sampleBytes` bytes of samples: whole
// sectors, at least the minimum track length.
std::uint32_t TrackSectors(std::uint64_t sampleBytes);

enum class WavOpenResult : std::uint8_t { Ok, CannotOpen, NotCdAudio };

// One audio track read from a WAV file as the sectors a burn writes: the
// file's samples, the last sector completed with silence, then silence up to
// the minimum track length. No sample is dropped. The file stays open from
// Open on, and the track is the samples measured then: a file that grows
// later is read no further, and samples it no longer holds become silence.
class AudioTrackReader {
 public:
  // `path` is UTF-8. Anything but a regular file cannot be opened.
  WavOpenResult Open(const std::string& path);

  const std::string& path() const { return path_; }
  // Why the last Open could not open the file, in the system's words.
  const std::string& openError() const { return openError_; }
  const WavSamples& samples() const { return samples_; }
  // The file's size when Open measured it.
  std::uint64_t measuredFileSize() const { return measuredFileSize_; }
  // The open file, for what became of it since it was measured.
  const platform::File& file() const { return file_; }
  std::uint32_t sectorCount() const { return sectorCount_; }
  // True when silence was added to reach the minimum track length.
  bool paddedToMinimum() const { return samples_.bytes < std::uint64_t{kMinimumTrackSectors} * kAudioSectorBytes; }
  // True when the file holds fewer samples than its header says: the track
  // holds the ones there are.
  bool shorterThanHeader() const { return samples_.shorterThanHeader; }
  // Bytes of the measured samples that were not there to read, because the
  // file ended early or a read failed; the track holds silence for them.
  std::uint64_t missingBytes() const { return missingBytes_; }
  // True when a read failed (not merely found the file's end).
  bool readFailed() const { return !readError_.empty(); }
  // The system's text for the read that failed.
  const std::string& readError() const { return readError_; }

  // Fills `buffer` with the next whole sectors of the track, as many as fit;
  // 0 once the track is complete.
  std::uint32_t Next(std::span<std::uint8_t> buffer);

 private:
  std::string path_;
  std::string openError_;
  platform::File file_;
  WavSamples samples_;
  std::uint32_t sectorCount_ = 0;
  std::uint32_t sectorsDone_ = 0;
  std::uint64_t bytesRead_ = 0;
  std::uint64_t measuredFileSize_ = 0;
  std::uint64_t missingBytes_ = 0;
  std::string readError_;
};

}  // namespace brenmark::audio
