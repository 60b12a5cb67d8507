#include "audio/Mp3TrackWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Utf8Path.h"

namespace brenmark::audio {

Mp3TrackWriter::Mp3TrackWriter(const mp3::EncoderLibrary& encoder, const mp3::EncoderConfig& config)
    : encoder_(encoder), config_(config), stream_(encoder) {}

TrackWriteStatus Mp3TrackWriter::Open(const std::filesystem::path& path, std::uint64_t, bool replaceExisting) {
  gathered_ = 0;
  if (!file_.Create(path, replaceExisting)) return TrackWriteStatus::NotCreated;
  // A stream that takes no samples a chunk could never be given the track.
  if (!stream_.Open(config_) || stream_.samplesPerChunk() == 0) return TrackWriteStatus::StreamNotOpened;
  chunkBytes_ = std::size_t{2} * stream_.samplesPerChunk();
  chunk_.reset(new (std::nothrow) std::uint8_t[chunkBytes_]);
  output_.reset(new (std::nothrow) std::uint8_t[stream_.outputBufferSize()]);
  return chunk_ && output_ ? TrackWriteStatus::Ok : TrackWriteStatus::OutOfMemory;
}

TrackWriteStatus Mp3TrackWriter::Write(const std::uint8_t* samples, std::size_t bytes) {
  while (bytes > 0) {
    const std::size_t taken = std::min(bytes, chunkBytes_ - gathered_);
    std::memcpy(chunk_.get() + gathered_, samples, taken);
    gathered_ += taken;
    samples += taken;
    bytes -= taken;
    if (gathered_ == chunkBytes_) {
      if (const TrackWriteStatus status = EncodeGathered(); status != TrackWriteStatus::Ok) return status;
    }
  }
  return TrackWriteStatus::Ok;
}

TrackWriteStatus Mp3TrackWriter::EncodeGathered() {
  std::uint32_t produced = 0;
  if (stream_.Encode(reinterpret_cast<const std::int16_t*>(chunk_.get()), static_cast<std::uint32_t>(gathered_ / 2),
                     output_.get(), produced) != mp3::kOk) {
    return TrackWriteStatus::EncodingFailed;
  }
  gathered_ = 0;
  return file_.Write(output_.get(), produced) ? TrackWriteStatus::Ok : TrackWriteStatus::DataNotWritten;
}

TrackWriteStatus Mp3TrackWriter::Finish() {
  if (gathered_ > 0) {
    if (const TrackWriteStatus status = EncodeGathered(); status != TrackWriteStatus::Ok) return status;
  }
  // The encoded chunks still gathered go out before the encoder's last bytes.
  if (!file_.Flush()) return TrackWriteStatus::DataNotWritten;
  std::uint32_t produced = 0;
  if (stream_.Deinit(output_.get(), produced) != mp3::kOk) return TrackWriteStatus::StreamNotClosed;
  if (produced != 0 && !file_.Write(output_.get(), produced)) return TrackWriteStatus::EndNotWritten;
  stream_.Close();
  if (!file_.Close()) return TrackWriteStatus::EndNotWritten;
  // The library opens the complete file by its name, given in UTF-8 on every system.
  if (encoder_.beWriteVBRHeader(platform::Utf8FromPath(file_.temporaryPath()).c_str()) != mp3::kOk) {
    return TrackWriteStatus::TagNotWritten;
  }
  return file_.Commit() ? TrackWriteStatus::Ok : TrackWriteStatus::NotNamed;
}

void Mp3TrackWriter::Abandon() {
  stream_.Close();
  file_.Discard();
  gathered_ = 0;
}

}  // namespace brenmark::audio
