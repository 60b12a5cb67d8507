#include "audio/WavFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "bytes/ByteOrder.h"

namespace brenmark::audio {
namespace {

constexpr std::uint64_t kRiffHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
// A walk over more chunks than this is a hostile file, not a recording.
constexpr int kMaxChunks = 4096;
// An RF64 file's 32-bit size field that says "see the ds64 chunk".
constexpr std::uint64_t kSizeInDs64 = 0xFFFFFFFF;
// The ds64 chunk's RIFF size, data size and sample count, 64 bits each.
constexpr std::uint64_t kDs64Bytes = 24;

constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kPlainFormatBytes = 16;
constexpr std::uint32_t kExtensibleFormatBytes = 40;
constexpr std::uint16_t kExtensionBytes = 22;
// The sub-format of extensible PCM; its first two bytes are the PCM tag.
constexpr std::array<std::uint8_t, 16> kPcmSubFormat = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr std::uint16_t kChannels = 2;
constexpr std::uint32_t kSampleRate = 44100;
constexpr std::uint32_t kByteRate = 176400;
constexpr std::uint16_t kBlockAlign = 4;
constexpr std::uint16_t kBitsPerSample = 16;

// True when a `fmt ` chunk body describes CD audio.
bool IsCdAudioFormat(const std::uint8_t* body, std::uint32_t size) {
  if (size < kPlainFormatBytes) return false;
  const std::uint16_t tag = bytes::ReadLe16(body);
  if (tag == kFormatExtensible) {
    if (size < kExtensibleFormatBytes || bytes::ReadLe16(body + 16) < kExtensionBytes) return false;
    if (bytes::ReadLe16(body + 18) != kBitsPerSample) return false;  // valid bits per sample
    if (std::memcmp(body + 24, kPcmSubFormat.data(), kPcmSubFormat.size()) != 0) return false;
  } else if (tag != kFormatPcm) {
    return false;
  }
  return bytes::ReadLe16(body + 2) == kChannels && bytes::ReadLe32(body + 4) == kSampleRate && bytes::ReadLe32(body + 8) == kByteRate &&
         bytes::ReadLe16(body + 12) == kBlockAlign && bytes::ReadLe16(body + 14) == kBitsPerSample;
}

}  // namespace

std::optional<WavSamples> FindCdAudioSamples(const ReadBytesAt& readAt, std::uint64_t fileSize) {
  std::array<std::uint8_t, kRiffHeaderBytes> riff{};
  if (fileSize < kRiffHeaderBytes || !readAt(0, riff.data(), riff.size())) return std::nullopt;
  // RF64 (and its broadcast twin BW64) is RIFF with 64-bit sizes in a `ds64`
  // chunk, for files that may pass 4 GiB; its 32-bit size fields then read FFFFFFFFh.
  const bool rf64 = std::memcmp(riff.data(), "RF64", 4) == 0 || std::memcmp(riff.data(), "BW64", 4) == 0;
  if ((!rf64 && std::memcmp(riff.data(), "RIFF", 4) != 0) || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }

  // The RIFF size is not trusted: writers that stream leave it wrong. The file
  // size bounds the walk instead.
  std::optional<bool> formatIsCdAudio;
  std::optional<WavSamples> samples;
  std::optional<std::uint64_t> ds64DataBytes;
  std::uint64_t offset = kRiffHeaderBytes;
  for (int chunk = 0; chunk < kMaxChunks && offset + kChunkHeaderBytes <= fileSize; ++chunk) {
    std::array<std::uint8_t, kChunkHeaderBytes> header{};
    if (!readAt(offset, header.data(), header.size())) return std::nullopt;
    std::uint64_t size = bytes::ReadLe32(header.data() + 4);
    const std::uint64_t body = offset + kChunkHeaderBytes;
    const bool isData = std::memcmp(header.data(), "data", 4) == 0;
    if (isData && size == kSizeInDs64 && ds64DataBytes) size = *ds64DataBytes;

    if (rf64 && chunk == 0 && std::memcmp(header.data(), "ds64", 4) == 0) {
      std::array<std::uint8_t, kDs64Bytes> sizes{};
      if (size < kDs64Bytes || body + kDs64Bytes > fileSize || !readAt(body, sizes.data(), sizes.size())) {
        return std::nullopt;
      }
      ds64DataBytes = bytes::ReadLe32(sizes.data() + 8) | std::uint64_t{bytes::ReadLe32(sizes.data() + 12)} << 32;
    } else if (std::memcmp(header.data(), "fmt ", 4) == 0 && !formatIsCdAudio) {
      std::array<std::uint8_t, kExtensibleFormatBytes> format{};
      const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, format.size()));
      if (body + wanted > fileSize || !readAt(body, format.data(), wanted)) return std::nullopt;
      formatIsCdAudio = IsCdAudioFormat(format.data(), wanted);
      if (!*formatIsCdAudio) return std::nullopt;
    } else if (isData && !samples) {
      // A size of 0 is what a writer that streams leaves before it knows the
      // length: the samples run to the end of the file.
      const std::uint64_t rest = fileSize - body;
      const bool sizeUnknown = size == 0 || size == kSizeInDs64;
      samples = WavSamples{body, size == 0 ? rest : std::min<std::uint64_t>(size, rest), !sizeUnknown && size > rest};
    }
    if (formatIsCdAudio && samples) return samples;
    // Chunks are padded to an even length.
    if (size > fileSize - body) break;
    offset = body + size + (size & 1u);
  }
  return std::nullopt;
}

}  // namespace brenmark::audio
