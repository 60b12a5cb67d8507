#include "audio/Mp3EncoderStream.h"

namespace brenmark::mp3 {

bool EncoderStream::Open(EncoderConfig config) {
  Close();
  open_ = encoder_.beInitStream(&config, &samplesPerChunk_, &outputBufferSize_, &handle_) == kOk;
  return open_;
}

std::uint32_t EncoderStream::Encode(const std::int16_t* samples, std::uint32_t count, std::uint8_t* output,
                                    std::uint32_t& produced) {
  produced = 0;
  return encoder_.beEncodeChunk(handle_, count, samples, output, &produced);
}

std::uint32_t EncoderStream::Deinit(std::uint8_t* output, std::uint32_t& produced) {
  produced = 0;
  return encoder_.beDeinitStream(handle_, output, &produced);
}

void EncoderStream::Close() {
  if (!open_) return;
  open_ = false;
  encoder_.beCloseStream(handle_);
}

}  // namespace brenmark::mp3
