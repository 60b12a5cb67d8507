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
// the minimum track length. No sample is dropped.
class AudioTrackReader {
 public:
  // `path` is UTF-8. Anything but a regular file cannot be opened.
  WavOpenResult Open(const std::string& path);

  const std::string& path() const { return path_; }
  // Why the last Open could not open the file, in the system's words.
  const std::string& openError() const { return openError_; }
  const WavSamples& samples() const { return samples_; }
  std::uint32_t sectorCount() const { return sectorCount_; }
  // True when silence was added to reach the minimum track length.
  bool paddedToMinimum() const { return samples_.bytes < std::uint64_t{kMinimumTrackSectors} * kAudioSectorBytes; }
  // True when the file holds fewer samples than its header says: the track
  // holds the ones there are.
  bool shorterThanHeader() const { return samples_.shorterThanHeader; }
  // True when the file ended, or could not be read, before its samples did;
  // the rest of the track is then silence.
  bool readFailed() const { return readFailed_; }

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
  bool readFailed_ = false;
};

}  // namespace brenmark::audio
