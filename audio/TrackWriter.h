#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace brenmark::audio {

// How a track writer's call ended; the grab job tells each failure in its own words.
enum class TrackWriteStatus {
  Ok,
  NotCreated,       // the file could not be created
  StreamNotOpened,  // the encoder refused to open a stream
  OutOfMemory,      // no room for the encoder's buffers
  EncodingFailed,   // the encoder failed on a chunk
  DataNotWritten,   // audio, or the encoder's output for it, did not reach the file
  StreamNotClosed,  // the encoder failed to give its last bytes
  EndNotWritten,    // the encoder's last bytes did not reach the file, or the file did not close
  TagNotWritten,    // the encoder library could not complete the file's tag
};

// One grabbed track's output file, filled while the sectors are read: opened
// for a track of a known length, given its 16-bit stereo samples in order,
// then finished. After any failed call the writer is abandoned: what it took
// (file, encoder stream) is let go, and what reached the file stays there.
class TrackWriter {
 public:
  virtual ~TrackWriter() = default;

  virtual TrackWriteStatus Open(const std::filesystem::path& path, std::uint64_t audioBytes) = 0;
  virtual TrackWriteStatus Write(const std::uint8_t* samples, std::size_t bytes) = 0;
  virtual TrackWriteStatus Finish() = 0;
  virtual void Abandon() = 0;
};

}  // namespace brenmark::audio
