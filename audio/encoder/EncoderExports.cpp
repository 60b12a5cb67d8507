// The MP3 encoder library: the six functions of the encoder interface over
// libmp3lame. Streams are numbered handles into a table; a closed stream's
// encoder state is kept for its thread until beWriteVBRHeader has used it,
// since the tag can only be written once the file is complete and closed.
#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/Mp3EncoderInterface.h"
#include "audio/encoder/InfoTagFrame.h"

#if defined(_WIN32)
#include "platform/windows/WideText.h"
#endif

#if defined(_WIN32)
#define BRENMARK_ENCODER_EXPORT __declspec(dllexport)
#else
#define BRENMARK_ENCODER_EXPORT __attribute__((visibility("default")))
#endif

namespace {

using brenmark::mp3::EncoderConfig;
using brenmark::mp3::EncoderVersion;
using brenmark::mp3::StreamHandle;
namespace mp3 = brenmark::mp3;

constexpr std::uint32_t kInputChannels = 2;  // interleaved left/right
constexpr std::uint32_t kMinimumFlushBytes = 7200;

struct Stream {
  lame_global_flags* flags = nullptr;
  std::uint32_t samplesPerChunk = 0;
  std::uint32_t outputBufferSize = 0;
};

class StreamTable {
 public:
  ~StreamTable() {
    for (auto& [handle, stream] : open_) lame_close(stream.flags);
    for (auto& [thread, flags] : closed_) lame_close(flags);
  }

  StreamHandle Add(const Stream& stream) {
    std::lock_guard lock(mutex_);
    const StreamHandle handle = next_++;
    if (next_ == 0) next_ = 1;  // 0 is never a stream
    open_[handle] = stream;
    return handle;
  }

  bool Find(StreamHandle handle, Stream& stream) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(handle);
    if (found == open_.end()) return false;
    stream = found->second;
    return true;
  }

  // Ends the stream; its encoder state waits for this thread's beWriteVBRHeader.
  bool Close(StreamHandle handle) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(handle);
    if (found == open_.end()) return false;
    lame_global_flags*& kept = closed_[std::this_thread::get_id()];
    if (kept != nullptr) lame_close(kept);
    kept = found->second.flags;
    open_.erase(found);
    return true;
  }

  // The encoder state of this thread's last closed stream, now the caller's.
  lame_global_flags* TakeClosed() {
    std::lock_guard lock(mutex_);
    const auto found = closed_.find(std::this_thread::get_id());
    if (found == closed_.end()) return nullptr;
    lame_global_flags* flags = found->second;
    closed_.erase(found);
    return flags;
  }

 private:
  std::mutex mutex_;
  StreamHandle next_ = 1;
  std::map<StreamHandle, Stream> open_;
  std::map<std::thread::id, lame_global_flags*> closed_;
};

StreamTable& Streams() {
  static StreamTable table;
  return table;
}

// A complete file opened for its tag, by a path in UTF-8. The narrow calls of
// Windows take the ANSI code page, which may not hold every character of a
// name, so there the file is opened by the wide-character path in its extended
// form; a name that is not UTF-8 is still taken in the ANSI code page.
std::FILE* OpenForTag(const char* fileName) {
#if defined(_WIN32)
  try {
    const std::filesystem::path path(brenmark::platform::WideFromUtf8(fileName));
    if (std::FILE* file = _wfopen(brenmark::platform::ExtendedPath(path).c_str(), L"r+b")) return file;
  } catch (const std::exception&) {
    // A path that cannot be made absolute is left to the narrow call.
  }
#endif
  return std::fopen(fileName, "r+b");
}

std::vector<std::uint8_t> ReadAll(std::FILE* file) {
  std::vector<std::uint8_t> bytes;
  if (std::fseek(file, 0, SEEK_SET) != 0) return bytes;
  std::uint8_t block[65536];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.insert(bytes.end(), block, block + got);
  return bytes;
}

// A constant-bitrate stream whose frames are too small for the tag (32 to 56
// kbit/s) was given none by the encoder: its Info frame is put before it
// here, so that decoders still know its length, delay and padding. False
// when the file could not be read or rewritten.
bool PutInfoFrameBefore(std::FILE* file, lame_global_flags* flags) {
  const std::vector<std::uint8_t> stream = ReadAll(file);
  if (std::ferror(file) != 0) return false;
  if (lame_get_VBR(flags) != vbr_off || mp3::HasTagFrame(stream)) return true;
  mp3::InfoTagFacts facts;
  facts.encoder = get_lame_very_short_version();
  facts.encoderDelay = static_cast<std::uint32_t>(lame_get_encoder_delay(flags));
  facts.encoderPadding = static_cast<std::uint32_t>(lame_get_encoder_padding(flags));
  facts.quality = static_cast<std::uint32_t>(std::clamp(100 - 10 * lame_get_VBR_q(flags) - lame_get_quality(flags), 0, 100));
  facts.lowpassHz = static_cast<std::uint32_t>(std::max(lame_get_lowpassfreq(flags), 0));
  facts.athType = static_cast<std::uint8_t>(lame_get_ATHtype(flags));
  facts.bitrateKbps = static_cast<std::uint32_t>(lame_get_brate(flags));
  facts.sourceRate = static_cast<std::uint32_t>(lame_get_in_samplerate(flags));
  const std::vector<std::uint8_t> frame = mp3::InfoTagFrame(stream, facts);
  if (frame.empty()) return true;
  return std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(frame.data(), 1, frame.size(), file) == frame.size() &&
         std::fwrite(stream.data(), 1, stream.size(), file) == stream.size() && std::fflush(file) == 0;
}

MPEG_mode ModeOf(std::int32_t mode) {
  switch (mode) {
    case mp3::kModeJointStereo: return JOINT_STEREO;
    case mp3::kModeDualChannel: return DUAL_CHANNEL;
    case mp3::kModeMono: return MONO;
    default: return STEREO;
  }
}

// The sample rate of the stream written: the resample rate when given; MPEG-2
// halves the MPEG-1 rates.
int OutputRate(const EncoderConfig& config) {
  if (config.resampleRate != 0) return static_cast<int>(config.resampleRate);
  const int rate = static_cast<int>(config.sampleRate);
  return config.mpegVersion == mp3::kMpeg2 ? rate / 2 : rate;
}

bool Configure(lame_global_flags* flags, const EncoderConfig& config) {
  lame_set_in_samplerate(flags, static_cast<int>(config.sampleRate));
  lame_set_num_channels(flags, kInputChannels);
  lame_set_out_samplerate(flags, OutputRate(config));
  lame_set_mode(flags, ModeOf(config.mode));
  lame_set_original(flags, config.originalFlag != 0);
  lame_set_copyright(flags, config.copyrightFlag != 0);
  lame_set_extension(flags, config.privateFlag != 0);
  lame_set_error_protection(flags, config.crcFlag != 0);
  lame_set_strict_ISO(flags, config.strictIso != 0);
  lame_set_disable_reservoir(flags, config.noBitReservoir != 0);
  lame_set_emphasis(flags, static_cast<int>(config.emphasis));
  lame_set_bWriteVbrTag(flags, config.writeVbrHeader != 0);
  const int qualityLevel = config.quality & 0xFF;
  if ((config.quality >> 8) == (~qualityLevel & 0xFF) && qualityLevel <= 9) lame_set_quality(flags, qualityLevel);
  if (config.enableVbr != 0) {
    lame_set_VBR(flags, config.vbrMethod == 0 ? vbr_default : vbr_mtrh);
    lame_set_VBR_q(flags, config.vbrQuality);
    lame_set_VBR_min_bitrate_kbps(flags, static_cast<int>(config.bitrate));
    if (config.maxBitrate != 0) lame_set_VBR_max_bitrate_kbps(flags, static_cast<int>(config.maxBitrate));
  } else {
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, static_cast<int>(config.bitrate));
  }
  return lame_init_params(flags) >= 0;
}

}  // namespace

extern "C" {

BRENMARK_ENCODER_EXPORT std::uint32_t beVersion(EncoderVersion* version) {
  if (version == nullptr) return mp3::kInvalidFormatParameters;
  std::memset(version, 0, sizeof *version);
  version->libraryMajor = 1;
  version->libraryMinor = 0;
  lame_version_t engine{};
  get_lame_version_numerical(&engine);
  version->engineMajor = static_cast<std::uint8_t>(engine.major);
  version->engineMinor = static_cast<std::uint8_t>(engine.minor);
  version->alphaLevel = static_cast<std::uint8_t>(engine.alpha);
  version->betaLevel = static_cast<std::uint8_t>(engine.beta);
  std::snprintf(version->homepage, sizeof version->homepage, "%s", get_lame_url());
  return mp3::kOk;
}

BRENMARK_ENCODER_EXPORT std::uint32_t beInitStream(EncoderConfig* config,
                                                                  std::uint32_t* samplesPerChunk,
                                                                  std::uint32_t* outputBufferSize,
                                                                  StreamHandle* stream) {
  if (config == nullptr || samplesPerChunk == nullptr || outputBufferSize == nullptr || stream == nullptr) {
    return mp3::kInvalidFormatParameters;
  }
  if (config->configKind != mp3::kConfigKindLame || config->structSize < sizeof(EncoderConfig)) {
    return mp3::kInvalidFormat;
  }
  if (config->sampleRate == 0 || (config->enableVbr == 0 && config->bitrate == 0)) {
    return mp3::kInvalidFormatParameters;
  }
  lame_global_flags* flags = lame_init();
  if (flags == nullptr) return mp3::kNoMoreHandles;
  if (!Configure(flags, *config)) {
    lame_close(flags);
    return mp3::kInvalidFormatParameters;
  }
  Stream opened;
  opened.flags = flags;
  opened.samplesPerChunk = static_cast<std::uint32_t>(lame_get_framesize(flags)) * kInputChannels;
  // Room for the encoder's worst case of one chunk, and for its flush.
  opened.outputBufferSize = opened.samplesPerChunk * 5 / 4 + kMinimumFlushBytes;
  *samplesPerChunk = opened.samplesPerChunk;
  *outputBufferSize = opened.outputBufferSize;
  *stream = Streams().Add(opened);
  return mp3::kOk;
}

BRENMARK_ENCODER_EXPORT std::uint32_t beEncodeChunk(StreamHandle stream, std::uint32_t sampleCount,
                                                                   const std::int16_t* samples,
                                                                   std::uint8_t* output,
                                                                   std::uint32_t* outputBytes) {
  Stream found;
  if (!Streams().Find(stream, found)) return mp3::kInvalidHandle;
  if (outputBytes == nullptr || output == nullptr || (samples == nullptr && sampleCount > 0)) {
    return mp3::kInvalidFormatParameters;
  }
  if (sampleCount > found.samplesPerChunk) return mp3::kBufferTooSmall;
  *outputBytes = 0;
  // The samples are taken as 16-bit pairs; an odd last sample has no partner.
  const int encoded = lame_encode_buffer_interleaved(found.flags, const_cast<short*>(samples),
                                                     static_cast<int>(sampleCount / kInputChannels), output,
                                                     static_cast<int>(found.outputBufferSize));
  if (encoded < 0) return encoded == -1 ? mp3::kBufferTooSmall : mp3::kInvalidFormat;
  *outputBytes = static_cast<std::uint32_t>(encoded);
  return mp3::kOk;
}

BRENMARK_ENCODER_EXPORT std::uint32_t beDeinitStream(StreamHandle stream, std::uint8_t* output,
                                                                    std::uint32_t* outputBytes) {
  Stream found;
  if (!Streams().Find(stream, found)) return mp3::kInvalidHandle;
  if (output == nullptr || outputBytes == nullptr) return mp3::kInvalidFormatParameters;
  *outputBytes = 0;
  const int flushed = lame_encode_flush(found.flags, output, static_cast<int>(found.outputBufferSize));
  if (flushed < 0) return mp3::kBufferTooSmall;
  *outputBytes = static_cast<std::uint32_t>(flushed);
  return mp3::kOk;
}

BRENMARK_ENCODER_EXPORT std::uint32_t beCloseStream(StreamHandle stream) {
  return Streams().Close(stream) ? mp3::kOk : mp3::kInvalidHandle;
}

BRENMARK_ENCODER_EXPORT std::uint32_t beWriteVBRHeader(const char* fileName) {
  lame_global_flags* flags = Streams().TakeClosed();
  if (flags == nullptr) return mp3::kInvalidHandle;
  std::uint32_t result = mp3::kInvalidFormatParameters;
  if (fileName != nullptr) {
    if (std::FILE* file = OpenForTag(fileName)) {
      // Writes the tag frame when the stream reserved one; leaves the file as it is otherwise.
      lame_mp3_tags_fid(flags, file);
      const bool complete = lame_get_bWriteVbrTag(flags) == 0 || PutInfoFrameBefore(file, flags);
      result = std::fclose(file) == 0 && complete ? mp3::kOk : mp3::kInvalidFormat;
    }
  }
  lame_close(flags);
  return result;
}

}  // extern "C"
