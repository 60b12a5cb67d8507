#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The Info frame of a constant-bitrate MP3 stream, for a stream whose encoder
// could not reserve one: at 32 to 56 kbit/s a frame of the stream's own
// bitrate is too small to hold the tag. The frame is given a bitrate whose
// frame holds it (decoders take the tag frame apart from the stream), and
// carries the frame count, byte count, seek table, and the encoder's delay
// and padding, by which a decoder gives back exactly the samples encoded.
namespace brenmark::mp3 {

struct InfoTagFacts {
  std::string encoder;               // its name and version, as the tag's first 9 bytes
  std::uint32_t encoderDelay = 0;    // samples
  std::uint32_t encoderPadding = 0;  // samples
  std::uint32_t quality = 0;         // 0 to 100
  std::uint32_t lowpassHz = 0;
  std::uint8_t athType = 0;
  std::uint32_t bitrateKbps = 0;
  std::uint32_t sourceRate = 0;  // the input's sample rate
};

// Whether `stream`'s first frame is a tag frame ("Info" or "Xing").
bool HasTagFrame(std::span<const std::uint8_t> stream);

// The Info frame to put before `stream` (which begins with its first audio
// frame); empty when the stream does not begin with an MPEG audio Layer III
// frame header.
std::vector<std::uint8_t> InfoTagFrame(std::span<const std::uint8_t> stream, const InfoTagFacts& facts);

}  // namespace brenmark::mp3
