#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

namespace brenmark::audio::test {

// The fields of a `fmt ` chunk; the defaults describe CD audio.
struct WavFormat {
  std::uint16_t tag = 1;
  std::uint16_t channels = 2;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
  bool extensible = false;
  std::uint16_t subFormatTag = 1;  // the first two bytes of the extensible sub-format
};

inline std::string Le(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
  return out;
}

// A chunk: id, little-endian size (given, or the body's), body, pad byte.
inline std::string Chunk(std::string_view id, const std::string& body, std::int64_t sizeField = -1) {
  std::string out(id);
  out += Le(sizeField < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(sizeField), 4);
  out += body;
  if (body.size() % 2 == 1) out += '\0';
  return out;
}

inline std::string FormatChunk(const WavFormat& format) {
  const std::uint16_t align = static_cast<std::uint16_t>(format.channels * format.bits / 8);
  std::string body = Le(format.extensible ? 0xFFFE : format.tag, 2) + Le(format.channels, 2) +
                     Le(format.rate, 4) + Le(format.rate * align, 4) + Le(align, 2) + Le(format.bits, 2);
  if (format.extensible) {
    body += Le(22, 2) + Le(format.bits, 2) + Le(3, 4) + Le(format.subFormatTag, 2) +
            std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  }
  return Chunk("fmt ", body);
}

// RIFF header and chunks.
inline std::string Riff(std::initializer_list<std::string> chunks) {
  std::string body = "WAVE";
  for (const std::string& chunk : chunks) body += chunk;
  return "RIFF" + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

// Sample bytes that differ per offset and per seed, never a run of silence.
inline std::string Samples(std::size_t bytes, std::uint32_t seed) {
  std::string out(bytes, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < bytes; ++i) {
    state = state * 1103515245u + 12345u;
    out[i] = static_cast<char>(state >> 16 | 1);
  }
  return out;
}

// A WAV as most tools write it with no extras: header of 44 bytes, then samples.
inline std::string CanonicalWav(const std::string& samples) {
  return Riff({FormatChunk({}), Chunk("data", samples)});
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace brenmark::audio::test
