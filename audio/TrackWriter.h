#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

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
  NotNamed,         // the complete file could not be given its name
};

// One grabbed track's output file, filled while the sectors are read: opened
// for a track of a known length, given its 16-bit stereo samples in order,
// then finished. The file is written under a temporary name and has its own
// only once finished. After any failed call, or a track not to be kept, the
// writer is abandoned: what it took (file, encoder stream) is let go and the
// unfinished file removed.
class TrackWriter {
 public:
  virtual ~TrackWriter() = default;

  // With `replaceExisting`, a finished file replaces what is at `path` (a link
  // itself, never the file it points to); without, finishing fails when
  // anything has come to be there.
  virtual TrackWriteStatus Open(const std::filesystem::path& path, std::uint64_t audioBytes,
                                bool replaceExisting) = 0;
  virtual TrackWriteStatus Write(const std::uint8_t* samples, std::size_t bytes) = 0;
  virtual TrackWriteStatus Finish() = 0;
  virtual void Abandon() = 0;
  // Before Finish: the finished file takes this name instead of the one it
  // was opened for, replacing what is there (a link itself) or not as asked.
  virtual void NameAs(const std::filesystem::path& path, bool replaceExisting) = 0;
  // The system's reason for the last failure of the file, when it had one.
  virtual const std::string& lastError() const = 0;
};

}  // namespace brenmark::audio
