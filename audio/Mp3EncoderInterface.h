#pragma once

// The calling interface of the MP3 encoder library: six C functions with
// 32-bit results (0 = success), a 331-byte configuration record and a 265-byte
// version record. The library (audio/encoder) implements it; the grab job
// loads the library at run time and calls it through these types.

#include <cstddef>
#include <cstdint>

namespace brenmark::mp3 {

// The library's file name, looked up beside the running program.
#if defined(_WIN32)
inline constexpr const char* kEncoderLibraryName = "lame_enc.dll";
#else
inline constexpr const char* kEncoderLibraryName = "lame_enc.so";
#endif

// Results of the six functions.
inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kInvalidFormat = 1;
inline constexpr std::uint32_t kInvalidFormatParameters = 2;
inline constexpr std::uint32_t kNoMoreHandles = 3;
inline constexpr std::uint32_t kInvalidHandle = 4;
inline constexpr std::uint32_t kBufferTooSmall = 5;

// Values of the configuration record.
inline constexpr std::uint32_t kConfigKindLame = 256;
inline constexpr std::uint32_t kConfigStructVersion = 1;
inline constexpr std::int32_t kModeStereo = 0;
inline constexpr std::int32_t kModeJointStereo = 1;
inline constexpr std::int32_t kModeDualChannel = 2;
inline constexpr std::int32_t kModeMono = 3;
inline constexpr std::uint32_t kMpeg2 = 0;
inline constexpr std::uint32_t kMpeg1 = 1;

// The stream a beInitStream opened; a 32-bit number, not a pointer.
using StreamHandle = std::uint32_t;

#pragma pack(push, 1)
// The configuration record, little-endian, packed without gaps.
struct EncoderConfig {
  std::uint32_t configKind;       // kConfigKindLame
  std::uint32_t structVersion;    // kConfigStructVersion
  std::uint32_t structSize;       // sizeof(EncoderConfig)
  std::uint32_t sampleRate;       // of the samples given, Hz
  std::uint32_t resampleRate;     // of the stream written, Hz; 0: the sample rate
  std::int32_t mode;              // kModeStereo ... kModeMono
  std::uint32_t bitrate;          // kbit/s
  std::uint32_t maxBitrate;       // kbit/s, for VBR
  std::int32_t preset;
  std::uint32_t mpegVersion;      // kMpeg1 or kMpeg2
  std::uint32_t psychoacousticModel;
  std::uint32_t emphasis;
  std::int32_t privateFlag;
  std::int32_t crcFlag;
  std::int32_t copyrightFlag;
  std::int32_t originalFlag;
  std::int32_t writeVbrHeader;    // reserve a frame for the tag beWriteVBRHeader writes
  std::int32_t enableVbr;
  std::int32_t vbrQuality;
  std::uint32_t abrBitrate;
  std::int32_t vbrMethod;
  std::int32_t noBitReservoir;
  std::int32_t strictIso;
  std::uint16_t quality;          // low byte 0-9, high byte its complement; else unused
  std::uint8_t reserved[237];
};

// What beVersion reports.
struct EncoderVersion {
  std::uint8_t libraryMajor;
  std::uint8_t libraryMinor;
  std::uint8_t engineMajor;
  std::uint8_t engineMinor;
  std::uint8_t day;
  std::uint8_t month;
  std::uint16_t year;
  char homepage[129];
  std::uint8_t alphaLevel;
  std::uint8_t betaLevel;
  std::uint8_t mmxEnabled;
  std::uint8_t reserved[125];
};
#pragma pack(pop)

static_assert(sizeof(EncoderConfig) == 331);
static_assert(offsetof(EncoderConfig, bitrate) == 24);
static_assert(offsetof(EncoderConfig, mpegVersion) == 36);
static_assert(offsetof(EncoderConfig, originalFlag) == 60);
static_assert(offsetof(EncoderConfig, noBitReservoir) == 84);
static_assert(offsetof(EncoderConfig, quality) == 92);
static_assert(sizeof(EncoderVersion) == 265);

extern "C" {
using BeVersionFunction = std::uint32_t (*)(EncoderVersion* version);
using BeInitStreamFunction = std::uint32_t (*)(EncoderConfig* config, std::uint32_t* samplesPerChunk,
                                               std::uint32_t* outputBufferSize, StreamHandle* stream);
using BeEncodeChunkFunction = std::uint32_t (*)(StreamHandle stream, std::uint32_t sampleCount,
                                                const std::int16_t* samples, std::uint8_t* output,
                                                std::uint32_t* outputBytes);
using BeDeinitStreamFunction = std::uint32_t (*)(StreamHandle stream, std::uint8_t* output,
                                                 std::uint32_t* outputBytes);
using BeCloseStreamFunction = std::uint32_t (*)(StreamHandle stream);
// The complete file of the caller's last closed stream, by its path in UTF-8.
using BeWriteVbrHeaderFunction = std::uint32_t (*)(const char* fileName);
}

}  // namespace brenmark::mp3
