#pragma once

#include <cstdint>

#include "audio/Mp3EncoderLibrary.h"

namespace brenmark::mp3 {

// One encoder stream and the only caller of its beCloseStream: the stream is
// closed once, by Close or when its owner goes, whichever comes first, on
// every path.
class EncoderStream {
 public:
  explicit EncoderStream(const EncoderLibrary& encoder) : encoder_(encoder) {}
  ~EncoderStream() { Close(); }
  EncoderStream(const EncoderStream&) = delete;
  EncoderStream& operator=(const EncoderStream&) = delete;

  // Opens a stream with the configuration (closing one still open); false
  // when the encoder refused it.
  bool Open(EncoderConfig config);
  // What Open's stream takes and gives: 16-bit samples per chunk, and the
  // room its output needs for a chunk or for the last bytes.
  std::uint32_t samplesPerChunk() const { return samplesPerChunk_; }
  std::uint32_t outputBufferSize() const { return outputBufferSize_; }

  // The encoder's results (kOk on success).
  std::uint32_t Encode(const std::int16_t* samples, std::uint32_t count, std::uint8_t* output,
                       std::uint32_t& produced);
  // The encoder's last bytes of the stream.
  std::uint32_t Deinit(std::uint8_t* output, std::uint32_t& produced);
  void Close();

 private:
  const EncoderLibrary& encoder_;
  StreamHandle handle_ = 0;
  bool open_ = false;
  std::uint32_t samplesPerChunk_ = 0;
  std::uint32_t outputBufferSize_ = 0;
};

}  // namespace brenmark::mp3
